#pragma once

#include <windows.h>

#include <string>

// The system's message text for a Win32 error code, with the whitespace at both
// ends (the trailing line break in particular) trimmed, so that it sits flush
// at the end of a message. Empty when the system has no text for the code.
std::wstring SystemErrorText(DWORD errorCode);
