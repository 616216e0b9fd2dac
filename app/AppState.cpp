#include "app/AppState.h"

#include <exception>

#include "app/copies/InstanceNames.h"
#include "app/copies/NamedObjectSecurity.h"
#include "app/copies/StartRole.h"
#include "app/FaultPoints.h"
#include "app/launch/ProcessWatch.h"
#include "res/resource.h"
#include "text/ScopeGuard.h"
#include "text/SystemErrorText.h"
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

// The hook serves every copy's wish (CopyWishes.h). False, with the error in
// GetLastError(), when it cannot be installed.
bool InstallHook(KeyboardHook& hook, SharedState& shared) {
  return !HUSHPAD_FAULT_POINT(SetWindowsHookExW) &&
         hook.Install(WindowsKeyHookProc, {SwallowsNewPress, shared.Copies()},
                      HUSHPAD_HOOK_RENEWAL_SEAM);
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
    // No watch may take over from here on: the keys are restored here and,
    // last, the role member gives the role up. No window may outlive a failed
    // teardown: later copies would wait for it, or defer to it.
    if (!primary) primary = role.StopWatching();
    DestroyWindow(window);
    window = nullptr;
    // Not left to the members' destructors, which run after "Exited.": that
    // line is the last on every path.
    accessibility.Restore();
    hook.Remove();
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
  state.shared.SetPrimary(GetCurrentProcessId());
  // A copy that keeps a hook of its own keeps that one.
  if (!InstallHook(state.hook, state.shared)) state.takeOverError_ = GetLastError();
  // Even without the hook: the settings are off, and this copy now restores them.
  state.accessibility.Disable();
}

void AppState::TearDown() {
  entry.Want(kWantsNothing);
  if (entry.WantsTaskKeys()) {
    OutputDebugStringW(L"Hushpad: Re-enabled Alt+Tab, Alt+Esc and Ctrl+Esc.\n");
  }
  if (!primary) {
    mutex.Acquire();
    primary = role.StopWatching();
    if (!primary) {
      DestroyWindow(window);
      window = nullptr;
      mutex.Release();
      hook.Remove();  // the hook of a copy above medium integrity
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
  shared.SetPrimary(0);  // handed off normally: the next copy starts afresh
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

namespace {

// The role chosen, and the process it concerns: the copy deferred to, or the
// one taken over from.
struct RoleChoice {
  StartRole role;
  DWORD processId;
};

// Under the mutex: opens the shared state and chooses the role; a primary now
// holds the role, and nobody else does.
RoleChoice ChooseRole(AppState& state) {
  if (const DWORD error = state.shared.Open()) {
    DebugTrace(L"Hushpad: Keeping the saved settings to this copy: %s\n",
               SystemErrorText(error).c_str());
  }
  state.accessibility.KeepSettingsIn(state.shared.Settings());
  const PrimaryRole::Claim claim = state.role.TryClaim();
  // Read after the claim: a copy that took the role over has recorded itself.
  const DWORD recorded = state.shared.PrimaryProcessId();
  HUSHPAD_PAUSE_POINT(ChooseStartRole);  // the copy's shared objects exist by now
  const StartRole role = ChooseStartRole(claim, recorded);
  if (role != StartRole::Defer || recorded != 0) return {role, recorded};
  // A primary of Hushpad 1.0 keeps its state in a layout that this version
  // cannot read (and this version's in one that 1.0 cannot), so nothing is
  // recorded here: the first copy's window names the copy deferred to.
  DWORD windowOwner = 0;
  GetWindowThreadProcessId(FindWindowExW(HWND_MESSAGE, nullptr, kWindowClassName, kWindowTitle),
                           &windowOwner);
  return {role, windowOwner};
}

}  // namespace

// A deferring copy's start-up, once its window exists.
void Defer(AppState& state, DWORD primary) {
  DebugTrace(L"Hushpad: Deferring to [%u]\n", static_cast<unsigned>(primary));
  // A hook does not see the keys that go to a window of a higher integrity
  // level than its own (User Interface Privilege Isolation, in "Windows
  // Integrity Mechanism Design"). So a copy above medium keeps a hook of its
  // own for its program, whatever the primary's level now: the primary may
  // die, and a medium copy take over. It is in place before the watch starts,
  // so that a takeover finds it and installs no second one.
  HUSHPAD_PAUSE_POINT(InstallOwnHook);
  if (state.integrityLevel_ > SECURITY_MANDATORY_MEDIUM_RID) {
    if (!InstallHook(state.hook, state.shared)) throw Win32Error{IDS_HOOK_ERROR, GetLastError()};
  }
  state.role.Watch(&AppState::TakeOver, &state);
}

void StartUp(AppState& state, CopyWant want, bool taskKeys, bool fullScreen) {
  const HMODULE module = GetModuleHandleW(nullptr);
  WNDCLASSW windowClass{};
  windowClass.lpfnWndProc = DefWindowProcW;
  windowClass.hInstance = module;
  windowClass.lpszClassName = kWindowClassName;
  const ATOM atom = HUSHPAD_FAULT_POINT(RegisterClassW) ? 0 : RegisterClassW(&windowClass);
  if (!atom) throw Win32Error{IDS_CLASS_ERROR, GetLastError()};
  state.integrityLevel_ = ProcessIntegrityLevel();

  RoleChoice choice;
  {
    InstanceLock lock(state.mutex);
    choice = ChooseRole(state);
    state.entry.Enter(state.shared.Copies(), want, taskKeys, fullScreen);
    state.primary = choice.role != StartRole::Defer;
    state.window =
        HUSHPAD_FAULT_POINT(CreateWindowExW)
            ? nullptr
            : CreateWindowExW(0, kWindowClassName, kWindowTitle, 0, CW_USEDEFAULT, CW_USEDEFAULT, 0,
                              0, HWND_MESSAGE, nullptr, module, nullptr);
    if (!state.window) {
      const DWORD error = GetLastError();
      state.role.Resign();
      throw Win32Error{IDS_WINDOW_ERROR, error};
    }
    // A primary suppresses the keys before any other copy can see its window:
    // none may defer to a primary without a hook.
    if (state.primary) {
      if (choice.role == StartRole::Successor) {
        DebugTrace(L"Hushpad: Taking over from [%u]\n", static_cast<unsigned>(choice.processId));
      }
      if (!InstallHook(state.hook, state.shared)) {
        // Leaves no trace for the next copy, which then takes the role itself.
        const DWORD error = GetLastError();
        state.role.Resign();
        DestroyWindow(state.window);
        state.window = nullptr;
        throw Win32Error{IDS_HOOK_ERROR, error};
      }
      state.shared.SetPrimary(GetCurrentProcessId());
      state.accessibility.Disable();
    }
  }
  if (!state.primary) Defer(state, choice.processId);
  if (taskKeys) OutputDebugStringW(L"Hushpad: Disabled Alt+Tab, Alt+Esc and Ctrl+Esc.\n");
}
