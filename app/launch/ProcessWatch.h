#pragma once

#include <windows.h>

#include "app/launch/ProgramFamily.h"
#include "text/UniqueHandle.h"

// Posted (wParam 0, lParam 0) to a copy's message-only window when the
// watched process (or family) has ended or the wait for it has failed.
constexpr UINT WM_CHILD_EXITED = WM_USER + 777;

// What a watch thread needs for its whole life. The thread owns the record
// and the handles in it (the process handle is a duplicate of its caller's),
// so it never touches anything that the caller frees or closes after a wait
// that ended early.
struct WatchParams {
  UniqueHandle process;   // SYNCHRONIZE access suffices; empty for a family
  ProgramFamily family;   // the family to wait for instead of `process`
  HWND window = nullptr;  // receives WM_CHILD_EXITED
};

// The watch thread: waits without a time limit for the process, or for the
// family's last process ("Hushpad: All programs of the family have ended."),
// traces a failed wait, posts WM_CHILD_EXITED either way, frees its
// WatchParams (passed as a pointer allocated with new) and returns 0.
DWORD WINAPI ProcessWatchThread(LPVOID parameter) noexcept;

// Returns once `process` has ended (or its wait failed), while this thread
// keeps retrieving and dispatching `window`'s messages. Also returns
// when GetMessageW reports an error or WM_QUIT first; the watch thread then
// goes on waiting by itself. `process` stays the caller's. Throws Win32Error
// IDS_THREAD_ERROR when the watch cannot be set up.
void WaitForProcessExit(HANDLE process, HWND window);

// The same for every process of `family`, which the watch thread takes over.
void WaitForFamilyExit(ProgramFamily family, HWND window);

// Pauses for about `milliseconds` while this thread keeps retrieving and
// dispatching its messages.
void DispatchMessagesFor(DWORD milliseconds) noexcept;
