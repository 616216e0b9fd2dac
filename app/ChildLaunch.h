#pragma once

#include <windows.h>

#include <string>

#include "app/CopyWishes.h"

// The launch step: traces "Hushpad: Launching: %s", starts `commandLine`
// (NUL-terminated and writable, as CreateProcessW may write into it), then
// shows the manual dialog when `manual` is set, or else waits for the child
// while dispatching `window`'s messages. With `family` (never together with
// `manual`) the wait lasts until every program that the child starts, and
// they in turn, have ended too; where they cannot be followed, the reason is
// traced and the manual dialog is shown instead, so that the keys stay off
// until the user says otherwise. The child is never terminated
// once it runs, and never left suspended; its handles are closed on every way
// out. The child, and a followed family, go into this copy's `entry` before
// they can show a window. A child that cannot be started is reported in
// message 108, naming `program` as the user typed it, and is no exception;
// Win32Error 104 or 103 from the wait or the dialog passes through.
void LaunchProgram(wchar_t* commandLine, const std::wstring& program, bool manual, bool family,
                   HWND window, CopyEntry& entry);
