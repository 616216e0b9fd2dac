#pragma once

#include <windows.h>

// Polls until a window with the given class and caption (null: any) that
// belongs to process `processId` (0: any process) exists, for at most
// `timeoutMs`. Returns it, or null on timeout. The first looks among the
// top-level windows of the desktop, the second among message-only windows.
HWND WaitForTopLevelWindow(DWORD processId, const wchar_t* className, const wchar_t* caption,
                           DWORD timeoutMs);
HWND WaitForMessageOnlyWindow(DWORD processId, const wchar_t* className, const wchar_t* caption,
                              DWORD timeoutMs);
