#include "app/AppState.h"

#include <exception>

#include "app/FaultPoints.h"
#include "app/InstanceNames.h"
#include "app/ProcessWatch.h"
#include "res/resource.h"
#include "text/ScopeGuard.h"
#include "text/TextUtil.h"
#include "text/Win32Error.h"

namespace {

// Between two searches for a copy whose process cannot be opened: long enough
// not to spin, short enough that the hand-off does not visibly lag.
constexpr UINT kSearchPauseMs = 20;

// The first message-only window of a copy other than the one whose window is
// `own`, or null when there is none.
HWND FindOtherCopy(HWND own) noexcept {
  HWND found = nullptr;
  do {
    found = FindWindowExW(HWND_MESSAGE, found, kWindowClassName, kWindowTitle);
  } while (found != nullptr && found == own);
  return found;
}

}  // namespace

AppState::AppState() : mutex(kAppMutexName), uncaughtAtConstruction_(std::uncaught_exceptions()) {}

AppState::~AppState() noexcept(false) {
  if (!window) return;  // nothing was started, or the window could not be created
  ScopeGuard exited(OutputDebugStringW, L"Hushpad: Exited.");
  if (std::uncaught_exceptions() > uncaughtAtConstruction_) {
    try {
      TearDown();
    } catch (...) {
      // An earlier failure is on its way to the entry point and is the one to
      // report; the members below still restore the keys.
    }
  } else {
    TearDown();
  }
}

void AppState::TearDown() {
  if (!primary) {
    InstanceLock lock(mutex);
    DestroyWindow(window);
    return;
  }
  WaitForOtherCopies();  // returns holding the mutex, with no other copy left
  accessibility.Restore();
  hook.Remove();
  DestroyWindow(window);
  mutex.Release();
}

void AppState::WaitForOtherCopies() {
  for (;;) {
    DWORD otherProcessId = 0;
    mutex.Acquire();
    HWND other = FindOtherCopy(window);
    if (!other) return;
    GetWindowThreadProcessId(other, &otherProcessId);
    mutex.Release();

    HANDLE process = HUSHPAD_FAULT_POINT(OpenProcess)
                         ? nullptr
                         : OpenProcess(SYNCHRONIZE, FALSE, otherProcessId);
    if (!process) {
      // Search again until that window is gone, but never spin: this thread
      // serves the keyboard hook, which the system calls only while the thread
      // retrieves messages.
      DispatchMessagesFor(window, kSearchPauseMs);
      continue;
    }
    ScopeGuard closeProcess(CloseHandle, process);
    DebugTrace(L"Hushpad: Waiting for [%u]\n", static_cast<unsigned>(otherProcessId));
    WaitForProcessExit(process, window);
  }
}

void StartUp(AppState& state) {
  const HMODULE module = GetModuleHandleW(nullptr);
  WNDCLASSW windowClass{};
  windowClass.lpfnWndProc = DefWindowProcW;
  windowClass.hInstance = module;
  windowClass.lpszClassName = kWindowClassName;
  const ATOM atom = HUSHPAD_FAULT_POINT(RegisterClassW) ? 0 : RegisterClassW(&windowClass);
  if (!atom) throw Win32Error{IDS_CLASS_ERROR, GetLastError()};

  DWORD otherProcessId = 0;
  DWORD windowError = ERROR_SUCCESS;
  {
    InstanceLock lock(state.mutex);
    HWND other = FindWindowExW(HWND_MESSAGE, nullptr, kWindowClassName, kWindowTitle);
    state.primary = other == nullptr;
    if (other) GetWindowThreadProcessId(other, &otherProcessId);
    state.window =
        HUSHPAD_FAULT_POINT(CreateWindowExW)
            ? nullptr
            : CreateWindowExW(0, kWindowClassName, kWindowTitle, 0, CW_USEDEFAULT, CW_USEDEFAULT, 0,
                              0, HWND_MESSAGE, nullptr, module, nullptr);
    // Taken before the lock is released, which could leave a code of its own.
    windowError = GetLastError();
  }
  if (!state.window) throw Win32Error{IDS_WINDOW_ERROR, windowError};

  if (!state.primary) {
    DebugTrace(L"Hushpad: Deferring to [%u]\n", static_cast<unsigned>(otherProcessId));
    return;
  }
  // The hook is installed inside KeyboardHook::Install; its fault point stands
  // in front of the whole call.
  g_keyboardHookHandle =
      HUSHPAD_FAULT_POINT(SetWindowsHookExW) ? nullptr : state.hook.Install(WindowsKeyHookProc);
  if (!g_keyboardHookHandle) throw Win32Error{IDS_HOOK_ERROR, GetLastError()};
  state.accessibility.Disable();
}
