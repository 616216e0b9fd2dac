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
constexpr DWORD kSearchPauseMs = 20;

// The first message-only window of a copy other than the one whose window is
// `own`, or null when there is none.
HWND FindOtherCopy(HWND own) noexcept {
  HWND found = nullptr;
  do {
    found = FindWindowExW(HWND_MESSAGE, found, kWindowClassName, kWindowTitle);
  } while (found != nullptr && found == own);
  return found;
}

void InstallHook(KeyboardHook& hook) {
  // The fault point stands in front of the whole install.
  g_keyboardHookHandle =
      HUSHPAD_FAULT_POINT(SetWindowsHookExW) ? nullptr : hook.Install(WindowsKeyHookProc);
}

}  // namespace

AppState::AppState()
    : mutex(kAppMutexName),
      role(kPrimaryMutexName),
      accessibility(HUSHPAD_SYSTEM_PARAMETERS),
      uncaughtAtConstruction_(std::uncaught_exceptions()) {}

AppState::~AppState() noexcept(false) {
  if (!window) return;  // nothing was started, or the window could not be created
  ScopeGuard exited(OutputDebugStringW, L"Hushpad: Exited.");
  try {
    TearDown();
  } catch (...) {
    // No window may outlive a failed teardown: later copies would wait for it,
    // or defer to it. No watch may take over while the members are destroyed;
    // they then restore the keys and, last, give up the role.
    DestroyWindow(window);
    window = nullptr;
    if (!primary) primary = role.StopWatching();
    // While an earlier failure is on its way to the entry point, that one is
    // the one to report.
    if (std::uncaught_exceptions() > uncaughtAtConstruction_) return;
    throw;
  }
}

void AppState::TakeOver(void* self) noexcept {
  auto& state = *static_cast<AppState*>(self);
  DebugTrace(L"Hushpad: Taking over from [%u]\n",
             static_cast<unsigned>(state.shared.PrimaryProcessId()));
  state.shared.SetPrimaryProcessId(GetCurrentProcessId());
  InstallHook(state.hook);
  if (!g_keyboardHookHandle) state.takeOverError_ = GetLastError();
  // Even without the hook: the settings are off, and this copy now restores them.
  state.accessibility.Disable();
}

void AppState::TearDown() {
  if (!primary) {
    mutex.Acquire();
    primary = role.StopWatching();
    if (!primary) {
      DestroyWindow(window);
      window = nullptr;
      mutex.Release();
      return;
    }
    // Took over from a primary that is gone: hand off like one.
    mutex.Release();
  }
  WaitForOtherCopies();  // returns holding the mutex, with no other copy left
  accessibility.Restore();
  hook.Remove();
  DestroyWindow(window);
  window = nullptr;
  shared.SetPrimaryProcessId(0);  // handed off normally: the next copy starts afresh
  role.Resign();
  mutex.Release();
  if (takeOverError_ != ERROR_SUCCESS) throw Win32Error{IDS_HOOK_ERROR, takeOverError_};
}

void AppState::WaitForOtherCopies() {
  for (;;) {
    mutex.Acquire();
    HWND other = FindOtherCopy(window);
    if (!other) return;
    DWORD otherProcessId = 0;
    GetWindowThreadProcessId(other, &otherProcessId);
    // Opened while the mutex keeps that window, and so its process, alive: the
    // ID cannot belong to another process yet.
    UniqueHandle process(HUSHPAD_FAULT_POINT(OpenProcess)
                             ? nullptr
                             : OpenProcess(SYNCHRONIZE, FALSE, otherProcessId));
    mutex.Release();
    if (!process) {
      // Search again until that window is gone, but never spin.
      DispatchMessagesFor(kSearchPauseMs);
      continue;
    }
    DebugTrace(L"Hushpad: Waiting for [%u]\n", static_cast<unsigned>(otherProcessId));
    WaitForProcessExit(process.get(), window);
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

  DWORD otherProcessId = 0;  // whom a deferring copy defers to
  DWORD lostProcessId = 0;   // whom a successor takes over from
  bool successor = false;
  bool watch = false;
  DWORD windowError = ERROR_SUCCESS;
  {
    InstanceLock lock(state.mutex);
    state.shared.Open();
    state.accessibility.KeepSettingsIn(state.shared.Settings());
    HWND other = FindWindowExW(HWND_MESSAGE, nullptr, kWindowClassName, kWindowTitle);
    if (other) GetWindowThreadProcessId(other, &otherProcessId);
    const PrimaryRole::Claim claim = state.role.TryClaim();
    const DWORD recorded = state.shared.PrimaryProcessId();
    if (claim == PrimaryRole::Claim::Busy) {
      state.primary = false;  // defer to the copy that suppresses the keys
      watch = true;
      if (recorded) otherProcessId = recorded;
    } else if (claim == PrimaryRole::Claim::Free && !recorded && other) {
      // The other copies run an earlier version, which keeps no role: defer to
      // them as they defer to each other.
      state.primary = false;
      state.role.Resign();
    } else {
      state.primary = true;
      // A primary ended without handing off: this copy takes its place.
      successor = claim == PrimaryRole::Claim::Abandoned || recorded != 0;
      lostProcessId = recorded;
    }
    state.window =
        HUSHPAD_FAULT_POINT(CreateWindowExW)
            ? nullptr
            : CreateWindowExW(0, kWindowClassName, kWindowTitle, 0, CW_USEDEFAULT, CW_USEDEFAULT, 0,
                              0, HWND_MESSAGE, nullptr, module, nullptr);
    // Taken before the lock is released, which could leave a code of its own.
    windowError = GetLastError();
    if (state.window && state.primary) state.shared.SetPrimaryProcessId(GetCurrentProcessId());
  }
  if (!state.window) throw Win32Error{IDS_WINDOW_ERROR, windowError};

  if (!state.primary) {
    DebugTrace(L"Hushpad: Deferring to [%u]\n", static_cast<unsigned>(otherProcessId));
    if (watch) state.role.Watch(&AppState::TakeOver, &state);
    return;
  }
  if (successor) {
    DebugTrace(L"Hushpad: Taking over from [%u]\n", static_cast<unsigned>(lostProcessId));
  }
  InstallHook(state.hook);
  if (!g_keyboardHookHandle) throw Win32Error{IDS_HOOK_ERROR, GetLastError()};
  state.accessibility.Disable();
}
