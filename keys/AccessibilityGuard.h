#pragma once

#include <windows.h>

// SystemParametersInfoW's own signature. The guard reaches the system through
// one of these so that tests can put a simulated system in its place; the
// program itself always uses SystemParametersInfoW.
using SystemParametersFunction = BOOL(WINAPI*)(UINT uiAction, UINT uiParam, PVOID pvParam,
                                               UINT fWinIni);

// The user's settings as a guard saved them. Plain data, so that copies of
// the program can keep it in memory they share: the copy that takes over from
// one that died then restores what that one saved.
struct AccessibilitySettings {
  // Nonzero from the moment the settings below are saved until they have been
  // written back: while it is set, the system holds the changed settings and
  // these are the user's own.
  volatile LONG applied;
  STICKYKEYS stickyKeys;
  TOGGLEKEYS toggleKeys;
  FILTERKEYS filterKeys;
  // Whether the matching read succeeded; an unread setting is never written.
  BOOL stickyKeysRead;
  BOOL toggleKeysRead;
  BOOL filterKeysRead;
};

// Switches off the keyboard shortcuts of StickyKeys, ToggleKeys and FilterKeys
// for the current logon only (fWinIni 0: nothing reaches the user profile) and
// writes the user's settings back afterwards.
//
// Disable saves the three settings and, for each feature that is off, writes a
// copy with the hotkey and hotkey-confirmation bits cleared; a feature that is
// on keeps its hotkey. Restore writes every saved setting back unchanged,
// overwriting whatever changed them meanwhile. A feature whose setting could
// not be read is left alone by both, so nothing unread is ever written back.
// Neither reports failure: a write that the system refuses leaves that setting
// as it was.
//
// The saved settings live in the guard, or in storage shared with other
// copies (KeepSettingsIn). A guard that finds them already applied there (by
// a copy that ended without restoring them) takes them over instead of
// reading the system's, which are the changed ones.
class AccessibilityGuard {
 public:
  AccessibilityGuard() noexcept;
  // For tests: `systemParameters` stands in for SystemParametersInfoW.
  explicit AccessibilityGuard(SystemParametersFunction systemParameters) noexcept;
  ~AccessibilityGuard();
  AccessibilityGuard(const AccessibilityGuard&) = delete;
  AccessibilityGuard& operator=(const AccessibilityGuard&) = delete;

  // Keeps the saved settings in `storage` (zero-filled or left by another
  // guard) instead of in this guard. Call it while the guard is inactive.
  void KeepSettingsIn(AccessibilitySettings* storage) noexcept;

  // Saves the settings (unless the storage already holds applied ones) and
  // disables the hotkeys; traces "Hushpad: Disabled the accessibility keys.".
  // Does nothing while already active.
  void Disable() noexcept;
  // Writes the saved settings back; traces "Hushpad: Re-enabled the
  // accessibility keys.". Does nothing while not active, so it may run twice.
  void Restore() noexcept;

 private:
  bool active_ = false;
  AccessibilitySettings ownSettings_{};
  AccessibilitySettings* saved_ = &ownSettings_;
  SystemParametersFunction systemParameters_;
};
