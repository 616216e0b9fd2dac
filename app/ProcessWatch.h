#pragma once

#include <windows.h>

#include "text/UniqueHandle.h"

// Posted (wParam 0, lParam 0) to a copy's message-only window when the
// watched process has ended or the wait for it has failed.
constexpr UINT WM_CHILD_EXITED = WM_USER + 777;

// What a watch thread needs for its whole life. The thread owns the record
// and the process handle in it, a duplicate of its caller's, so it never
// touches anything that the caller frees or closes after a wait that ended
// early.
struct WatchParams {
  UniqueHandle process;   // SYNCHRONIZE access suffices
  HWND window = nullptr;  // receives WM_CHILD_EXITED
};

// The watch thread: waits for the process without a time limit, traces a
// failed wait, posts WM_CHILD_EXITED either way, frees its WatchParams
// (passed as a pointer allocated with new) and returns 0.
DWORD WINAPI ProcessWatchThread(LPVOID parameter) noexcept;

// Returns once `process` has ended (or its wait failed), while this thread
// keeps retrieving and dispatching `window`'s messages. Also returns
// when GetMessageW reports an error or WM_QUIT first; the watch thread then
// goes on waiting by itself. `process` stays the caller's. Throws Win32Error
// 104 when the watch cannot be set up.
void WaitForProcessExit(HANDLE process, HWND window);

// Pauses for about `milliseconds` while this thread keeps retrieving and
// dispatching its messages.
void DispatchMessagesFor(DWORD milliseconds) noexcept;
