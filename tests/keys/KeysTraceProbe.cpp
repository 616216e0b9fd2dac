// KeysTraceProbe hook|guard: drives the keyboard hook or the accessibility
// guard (against the simulated system) through their installs, undos and
// repeats, with "-- step" marker lines between, so that a test can read the
// trace lines as a debugger sees them.
#include <windows.h>

#include "CommandLine.h"
#include "FakeSystemParameters.h"
#include "keys/AccessibilityGuard.h"
#include "keys/KeyboardHook.h"

namespace {

int DriveHook() {
  KeyboardHook hook;
  hook.Remove();
  OutputDebugStringW(L"-- install\n");
  g_keyboardHookHandle = hook.Install(WindowsKeyHookProc);
  if (g_keyboardHookHandle == nullptr) return 1;
  hook.Remove();
  hook.Remove();
  OutputDebugStringW(L"-- failing install\n");
  SetLastError(ERROR_SUCCESS);
  const HHOOK failed = hook.Install(nullptr);
  const DWORD error = GetLastError();
  if (failed != nullptr || error == ERROR_SUCCESS) return 2;
  hook.Remove();
  OutputDebugStringW(L"-- destructor\n");
  {
    KeyboardHook scoped;
    if (scoped.Install(WindowsKeyHookProc) == nullptr) return 3;
  }
  return 0;
}

int DriveGuard() {
  using namespace fake_system;
  Reset(StickyKeys(SKF_HOTKEYACTIVE), ToggleKeys(TKF_HOTKEYACTIVE),
        FilterKeys(FKF_HOTKEYACTIVE, 0, 0, 0, 0));
  AccessibilityGuard guard(&SimulatedSystemParametersInfo);
  guard.Restore();
  OutputDebugStringW(L"-- disable\n");
  guard.Disable();
  guard.Disable();
  OutputDebugStringW(L"-- restore\n");
  guard.Restore();
  guard.Restore();
  OutputDebugStringW(L"-- failed reads\n");
  g_failingActions = {SPI_GETSTICKYKEYS, SPI_GETTOGGLEKEYS, SPI_GETFILTERKEYS};
  guard.Disable();
  guard.Restore();
  OutputDebugStringW(L"-- destructor\n");
  {
    AccessibilityGuard scoped(&SimulatedSystemParametersInfo);
    scoped.Disable();
  }
  return 0;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  const std::wstring scenario = CommandLineAfterProgram(GetCommandLineW());
  if (scenario == L"hook") return DriveHook();
  if (scenario == L"guard") return DriveGuard();
  return 100;
}
