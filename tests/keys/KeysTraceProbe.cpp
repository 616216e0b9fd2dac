// KeysTraceProbe: drives the keyboard hook, then the accessibility guard
// (against the simulated system), through their installs, undos and repeats,
// with "-- step" marker lines between, so that a test can read the trace lines
// as a debugger sees them. Exits with the number of the first step that went
// wrong, or 0.
#include <windows.h>

#include "FakeSystemParameters.h"
#include "keys/AccessibilityGuard.h"
#include "keys/KeyboardHook.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  {
    KeyboardHook hook;
    hook.Remove();
    OutputDebugStringW(L"-- hook\n");
    g_keyboardHookHandle = hook.Install(WindowsKeyHookProc);
    if (g_keyboardHookHandle == nullptr) return 1;
    if (hook.Install(WindowsKeyHookProc) != g_keyboardHookHandle) return 4;  // the one it owns
    hook.Remove();
    hook.Remove();
    OutputDebugStringW(L"-- failing install\n");
    SetLastError(ERROR_SUCCESS);
    if (hook.Install(nullptr) != nullptr || GetLastError() == ERROR_SUCCESS) return 2;
    hook.Remove();
    OutputDebugStringW(L"-- hook destructor\n");
    if (hook.Install(WindowsKeyHookProc) == nullptr) return 3;
  }
  using namespace fake_system;
  Reset({sizeof(STICKYKEYS), SKF_HOTKEYACTIVE}, {sizeof(TOGGLEKEYS), TKF_HOTKEYACTIVE},
        {sizeof(FILTERKEYS), FKF_HOTKEYACTIVE, 0, 0, 0, 0});
  AccessibilityGuard guard(&SimulatedSystemParametersInfo);
  guard.Restore();
  OutputDebugStringW(L"-- guard\n");
  guard.Disable();
  guard.Disable();
  guard.Restore();
  guard.Restore();
  OutputDebugStringW(L"-- failed reads\n");
  g_failingActions = {SPI_GETSTICKYKEYS, SPI_GETTOGGLEKEYS, SPI_GETFILTERKEYS};
  guard.Disable();
  guard.Restore();
  OutputDebugStringW(L"-- guard destructor\n");
  guard.Disable();
  return 0;
}
