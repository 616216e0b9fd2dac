#pragma once

#include <windows.h>

#include <string>
#include <vector>

// The type of this copy's token (TokenElevationType): an administrator's
// filtered or elevated token under UAC, or the default, which a standard
// account has. A token that cannot be read counts as the default, so that a
// copy never starts itself as administrator because of it.
TOKEN_ELEVATION_TYPE OwnElevationType() noexcept;

// For a PROGRAM that needs administrator rights: starts this program again,
// as administrator, with `arguments` (its own, after its name) in this copy's
// current folder, and waits for that copy's end while dispatching `window`'s
// messages. Windows asks the user once (UAC). That copy then does everything
// the command line asks for, --manual's dialog included. Returns 0 once it
// has ended, or why it could not be started (ERROR_CANCELLED: the user said
// no); Win32Error IDS_THREAD_ERROR from the wait passes through.
DWORD RunElevatedCopy(const std::vector<std::wstring>& arguments, HWND window);
