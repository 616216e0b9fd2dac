#pragma once

#include <windows.h>

#include <string>

// The system's message text for a Win32 error code, with the whitespace at both
// ends (the trailing line break in particular) trimmed, so that it sits flush
// at the end of a message. Its inserts ("%1") are left as they are. Empty when
// the system has no text for the code.
std::wstring SystemErrorText(DWORD errorCode);

// The same with the inserts filled: `file` for %1 ("%1 is not a valid Win32
// application."), nothing for any other. For the errors of starting a
// program, whose texts name the program that way.
std::wstring SystemErrorText(DWORD errorCode, const std::wstring& file);
