#include "app/launch/ProcessWatch.h"

#include <memory>
#include <utility>

#include "app/FaultPoints.h"
#include "res/resource.h"
#include "text/ScopeGuard.h"
#include "text/SystemErrorText.h"
#include "text/TextUtil.h"
#include "text/Win32Error.h"

namespace {

// How often the family's process count is read besides its notifications,
// which the system does not promise to deliver (JOBOBJECT_ASSOCIATE_COMPLETION_PORT,
// Remarks).
constexpr DWORD kFamilyCheckMs = 1000;

// Returns once the family's last process has ended: true, or false when the
// wait failed (GetLastError() tells why).
bool WaitForFamily(const ProgramFamily& family) noexcept {
  for (;;) {
    DWORD message = 0;
    ULONG_PTR key = 0;
    LPOVERLAPPED overlapped = nullptr;
    if (GetQueuedCompletionStatus(family.port.get(), &message, &key, &overlapped, kFamilyCheckMs)) {
      if (message == JOB_OBJECT_MSG_ACTIVE_PROCESS_ZERO) return true;
      continue;
    }
    if (GetLastError() != WAIT_TIMEOUT) return false;
    JOBOBJECT_BASIC_ACCOUNTING_INFORMATION accounting{};
    if (!QueryInformationJobObject(family.job.get(), JobObjectBasicAccountingInformation,
                                   &accounting, sizeof accounting, nullptr)) {
      return false;
    }
    if (accounting.ActiveProcesses == 0) return true;
  }
}

void TraceFailedWait(const wchar_t* function, DWORD error) noexcept {
  try {
    DebugTrace(L"%s failed: %s (%u)\n", function, SystemErrorText(error).c_str(),
               static_cast<unsigned>(error));
  } catch (...) {
    // No memory for the error text: the post that follows is what matters.
  }
}

// Starts the watch thread, which takes `params` over, then retrieves and
// dispatches the window's messages until it posts WM_CHILD_EXITED.
void Watch(std::unique_ptr<WatchParams> params) {
  const HWND window = params->window;
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

}  // namespace

DWORD WINAPI ProcessWatchThread(LPVOID parameter) noexcept {
  const std::unique_ptr<WatchParams> params(static_cast<WatchParams*>(parameter));
  if (params->family.port) {
    if (WaitForFamily(params->family)) {
      OutputDebugStringW(L"Hushpad: All programs of the family have ended.\n");
    } else {
      TraceFailedWait(L"GetQueuedCompletionStatus", GetLastError());
    }
  } else if ((HUSHPAD_FAULT_POINT(WaitForSingleObject)
                  ? WAIT_FAILED
                  : WaitForSingleObject(params->process.get(), INFINITE)) == WAIT_FAILED) {
    TraceFailedWait(L"WaitForSingleObject", GetLastError());
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
  Watch(std::move(params));
}

void WaitForFamilyExit(ProgramFamily family, HWND window) {
  auto params = std::make_unique<WatchParams>();
  params->window = window;
  params->family = std::move(family);
  Watch(std::move(params));
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
