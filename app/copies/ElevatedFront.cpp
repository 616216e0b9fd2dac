#include "app/copies/ElevatedFront.h"

#include <algorithm>
#include <iterator>

#include "app/copies/InstanceNames.h"
#include "app/FaultPoints.h"

namespace {

// Whether this copy is refused the token of `processId`.
bool Refused(DWORD processId) noexcept {
  const UniqueHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId));
  HANDLE token = nullptr;
  if (HUSHPAD_FAULT_POINT(OpenProcessToken) || !process ||
      !OpenProcessToken(process.get(), TOKEN_QUERY, &token)) {
    return GetLastError() == ERROR_ACCESS_DENIED;
  }
  const UniqueHandle owned(token);
  return false;
}

bool AnotherCopyAbove() noexcept {
  for (HWND copy = nullptr;
       (copy = FindWindowExW(HWND_MESSAGE, copy, kWindowClassName, kWindowTitle)) != nullptr;) {
    DWORD processId = 0;
    GetWindowThreadProcessId(copy, &processId);
    if (processId != GetCurrentProcessId() && Refused(processId)) return true;
  }
  return false;
}

// The windows already told of, on the notice's thread; the oldest give way.
HWND g_told[16];
size_t g_nextTold = 0;

void CALLBACK ForegroundChanged(HWINEVENTHOOK, DWORD, HWND window, LONG, LONG, DWORD,
                                DWORD) noexcept {
  if (std::find(std::begin(g_told), std::end(g_told), window) != std::end(g_told) ||
      !AboveEveryHook(window)) {
    return;
  }
  g_told[g_nextTold++ % ARRAYSIZE(g_told)] = window;
  OutputDebugStringW(
      L"Hushpad: The program in front runs as administrator; the Windows key reaches it unless "
      L"Hushpad runs as administrator too.\n");
}

DWORD WINAPI NoticeThread(LPVOID) noexcept {
  const HWINEVENTHOOK hook =
      SetWinEventHook(EVENT_SYSTEM_FOREGROUND, EVENT_SYSTEM_FOREGROUND, nullptr, ForegroundChanged,
                      0, 0, WINEVENT_OUTOFCONTEXT | WINEVENT_SKIPOWNPROCESS);
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) DispatchMessageW(&message);
  if (hook) UnhookWinEvent(hook);
  return 0;
}

}  // namespace

bool AboveEveryHook(HWND window) noexcept {
  DWORD processId = 0;
  GetWindowThreadProcessId(window, &processId);
  return processId != 0 && processId != GetCurrentProcessId() && Refused(processId) &&
         !AnotherCopyAbove();
}

ElevatedFrontNotice::ElevatedFrontNotice() noexcept {
  thread_.reset(CreateThread(nullptr, 0, NoticeThread, nullptr, 0, &threadId_));
}

ElevatedFrontNotice::~ElevatedFrontNotice() {
  if (!thread_) return;
  // Refused until the thread has a message queue; it gets one at once.
  do {
    PostThreadMessageW(threadId_, WM_QUIT, 0, 0);
  } while (WaitForSingleObject(thread_.get(), 100) == WAIT_TIMEOUT);
}
