#include "app/ProcessWatch.h"

#include <memory>

#include "app/FaultPoints.h"
#include "res/resource.h"
#include "text/ScopeGuard.h"
#include "text/SystemErrorText.h"
#include "text/TextUtil.h"
#include "text/Win32Error.h"

DWORD WINAPI ProcessWatchThread(LPVOID parameter) noexcept {
  const std::unique_ptr<WatchParams> params(static_cast<WatchParams*>(parameter));
  const DWORD result = HUSHPAD_FAULT_POINT(WaitForSingleObject)
                           ? WAIT_FAILED
                           : WaitForSingleObject(params->process.get(), INFINITE);
  if (result == WAIT_FAILED) {
    const DWORD error = GetLastError();
    try {
      DebugTrace(L"WaitForSingleObject failed: %s (%u)\n", SystemErrorText(error).c_str(),
                 static_cast<unsigned>(error));
    } catch (...) {
      // No memory for the error text: the post below is what matters.
    }
  }
  PostMessageW(params->window, WM_CHILD_EXITED, 0, 0);
  return 0;
}

void WaitForProcessExit(HANDLE process, HWND window) {
  auto params = std::make_unique<WatchParams>();
  params->window = window;
  HANDLE duplicate = nullptr;
  if (!DuplicateHandle(GetCurrentProcess(), process, GetCurrentProcess(), &duplicate, SYNCHRONIZE,
                       FALSE, 0)) {
    throw Win32Error{IDS_THREAD_ERROR, GetLastError()};
  }
  params->process.reset(duplicate);

  HANDLE thread = HUSHPAD_FAULT_POINT(CreateThread)
                      ? nullptr
                      : CreateThread(nullptr, 0, ProcessWatchThread, params.get(), 0, nullptr);
  if (!thread) throw Win32Error{IDS_THREAD_ERROR, GetLastError()};
  static_cast<void>(params.release());  // the thread frees it now
  ScopeGuard closeThread(CloseHandle, thread);

  // A process that ended at once may have posted before the loop starts; the
  // message then waits in the queue.
  MSG message;
  while ((HUSHPAD_FAULT_POINT(GetMessageW) ? -1 : GetMessageW(&message, window, 0, 0)) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
    if (message.message == WM_CHILD_EXITED) break;
  }
}

void DispatchMessagesFor(DWORD milliseconds) noexcept {
  const ULONGLONG end = GetTickCount64() + milliseconds;
  for (ULONGLONG now; (now = GetTickCount64()) < end;) {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
    // Wakes for new messages only, so a message left in the queue cannot make
    // this spin.
    MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(end - now), QS_ALLINPUT);
  }
}
