#pragma once

#include <windows.h>

// The exception for a failed Win32 call: the string-table entry that says what
// failed (its one insert, %1, takes the system's text for the error) and the
// GetLastError() value read right after the call. Deliberately not derived
// from std::exception, so that a handler for standard exceptions does not
// catch it. Thrown by value: throw Win32Error{IDS_WINDOW_ERROR, code};
class Win32Error {
 public:
  UINT messageId;
  DWORD errorCode;
};
