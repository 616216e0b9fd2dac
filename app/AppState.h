#pragma once

#include <windows.h>

#include "app/copies/InstanceMutex.h"
#include "app/copies/PrimaryRole.h"
#include "app/copies/SharedState.h"
#include "keys/AccessibilityGuard.h"
#include "keys/KeyboardHook.h"

// The run state of one copy of Hushpad. Constructing it opens nothing;
// StartUp() chooses the role and suppresses the keys in the primary; the
// destructor is the teardown.
//
// - Roles: the primary holds the "-primary" role (PrimaryRole) and suppresses
//   the keys; every other copy defers and watches the role. A deferring copy
//   above medium integrity keeps a hook of its own, since a primary at a
//   lower level does not see the keys of that copy's program.
// - Takeover: when the primary ends without handing off (killed, crashed, or
//   its teardown failed), exactly one watching copy gets the role and takes
//   over on the role's thread: it installs the hook and keeps the
//   accessibility hotkeys off, from the user's settings that the first
//   primary saved in the shared state. From then on it is the primary.
// - Teardown: the copy's run is over, so it wants nothing of the keys any
//   more (CopyWishes.h). A deferring copy stops its watch and destroys its
//   window under the mutex (if the watch took over meanwhile, it tears down
//   as the primary), then removes its own hook, if any. The primary first
//   waits, pass by pass, for the process of every other copy whose window it
//   finds (keeping the keys suppressed meanwhile), then, under the mutex with
//   no other window left, restores the accessibility settings, removes the
//   hook, destroys its window and gives up the role. "Hushpad: Exited." is
//   traced last whenever a window existed.
// - A failed teardown (IDS_MUTEX_ERROR, IDS_THREAD_ERROR) stops the watch,
//   skips the remaining waits, destroys the window (no later copy may wait
//   for it or defer to it), still restores everything, traces "Hushpad:
//   Exited.", gives up the role (so that a waiting copy takes over) and then
//   propagates; but while an earlier failure is already unwinding, a second
//   one is swallowed, so that the first failure is the one reported.
struct AppState {
  AppState();
  ~AppState() noexcept(false);
  AppState(const AppState&) = delete;
  AppState& operator=(const AppState&) = delete;

  bool primary = false;              // holds the role: chose it at start-up, or took it over
  InstanceMutex mutex;               // the "-app" coordination mutex
  HWND window = nullptr;             // this copy's message-only window
  SharedState shared;                // who suppresses; the user's saved settings
  CopyEntry entry;                   // what this copy wants of the Windows key
  PrimaryRole role;                  // held by the primary, watched by the others
  KeyboardHook hook;                 // the primary, and every copy above medium integrity
  AccessibilityGuard accessibility;  // primary only

 private:
  friend void StartUp(AppState& state, CopyWant want, bool taskKeys, bool fullScreen);
  friend void Defer(AppState& state, DWORD primary);
  static void TakeOver(void* self) noexcept;
  void TearDown();
  void WaitForOtherCopies();

  const int uncaughtAtConstruction_;
  DWORD integrityLevel_ = 0;             // this copy's
  DWORD takeOverError_ = ERROR_SUCCESS;  // the hook could not be installed at a takeover
};

// The start-up steps: registers the window class; under the mutex chooses the
// role (ChooseStartRole) and creates the window, and a primary installs the
// hook and disables the accessibility hotkeys before it releases the mutex,
// so that no copy defers to a primary without a hook (one whose hook fails
// gives the role up and destroys its window first). A deferring copy then
// traces "Hushpad: Deferring to [%u]", installs a hook of its own when it runs
// above medium integrity, and starts watching the role. Throws
// Win32Error with IDS_CLASS_ERROR, IDS_MUTEX_ERROR, IDS_THREAD_ERROR,
// IDS_WINDOW_ERROR or IDS_HOOK_ERROR. The copy's record wants `want` until
// its run is over; with `taskKeys` the wish covers Alt+Tab, Alt+Esc and
// Ctrl+Esc too, and the copy traces "Hushpad: Disabled Alt+Tab, Alt+Esc and
// Ctrl+Esc." last (and "Hushpad: Re-enabled Alt+Tab, Alt+Esc and Ctrl+Esc."
// as its teardown begins). With `fullScreen` the wish holds only while a
// full-screen window is in front.
void StartUp(AppState& state, CopyWant want, bool taskKeys, bool fullScreen);
