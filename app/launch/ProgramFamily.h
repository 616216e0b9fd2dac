#pragma once

#include <windows.h>

#include "text/UniqueHandle.h"

// PROGRAM and every program it starts, and they in turn, followed through a
// job object of this copy's own. The job never changes how they run: it sets
// no limit but the permission to leave it (a program that starts another with
// CREATE_BREAKAWAY_FROM_JOB may, and that one is no longer followed), and
// closing it ends nothing.
struct ProgramFamily {
  UniqueHandle job;
  UniqueHandle port;  // the completion port that receives the job's notifications
};

// Puts `process`, created suspended so that it has started nothing yet, into
// a new job whose notifications go to a new completion port; with a `name`,
// a job of that name with NamedObjectSecurity, which must not exist yet.
// Returns 0, or the error code when that cannot be done (for example while
// this copy runs in a job that forbids nesting, before Windows 8); `family`
// then stays empty and `process` is as it was.
DWORD FollowFamily(HANDLE process, ProgramFamily& family, const wchar_t* name) noexcept;
