#pragma once

#include <windows.h>

#include "app/InstanceMutex.h"
#include "keys/AccessibilityGuard.h"
#include "keys/KeyboardHook.h"

// The run state of one copy of Hushpad. Constructing it opens nothing;
// StartUp() chooses the role and suppresses the keys in the primary; the
// destructor is the teardown.
//
// Teardown: a deferring copy destroys its window under the mutex. The primary
// first waits, pass by pass, for the process of every other copy whose window
// it finds (keeping the keys suppressed meanwhile), then, under the mutex with
// no other window left, restores the accessibility settings, removes the hook
// and destroys its window. "Hushpad: Exited." is traced last whenever a window
// existed. A teardown failure (103, 104) skips the remaining waits, still
// restores everything through the members and then propagates; but while an
// earlier failure is already unwinding, a second one is swallowed, so that the
// keys are restored and the first failure is the one reported.
struct AppState {
  AppState();
  ~AppState() noexcept(false);
  AppState(const AppState&) = delete;
  AppState& operator=(const AppState&) = delete;

  bool primary = false;              // no other copy's window existed at start-up
  InstanceMutex mutex;               // the "-app" coordination mutex
  HWND window = nullptr;             // this copy's message-only window
  KeyboardHook hook;                 // primary only
  AccessibilityGuard accessibility;  // primary only

 private:
  void TearDown();
  void WaitForOtherCopies();

  const int uncaughtAtConstruction_;
};

// The start-up steps: registers the window class, chooses the role and creates
// the window under the mutex, then installs the hook and disables the
// accessibility hotkeys in the primary, or traces "Hushpad: Deferring to [%u]"
// in a deferring copy. Throws Win32Error 105, 103, 106 or 107.
void StartUp(AppState& state);
