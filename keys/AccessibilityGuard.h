#pragma once

#include <windows.h>

// SystemParametersInfoW's own signature. The guard reaches the system through
// one of these so that tests can put a simulated system in its place; the
// program itself always uses SystemParametersInfoW.
using SystemParametersFunction = BOOL(WINAPI*)(UINT uiAction, UINT uiParam, PVOID pvParam,
                                               UINT fWinIni);

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
class AccessibilityGuard {
 public:
  AccessibilityGuard() noexcept;
  // For tests: `systemParameters` stands in for SystemParametersInfoW.
  explicit AccessibilityGuard(SystemParametersFunction systemParameters) noexcept;
  ~AccessibilityGuard();
  AccessibilityGuard(const AccessibilityGuard&) = delete;
  AccessibilityGuard& operator=(const AccessibilityGuard&) = delete;

  // Saves and disables; traces "Hushpad: Disabled the accessibility keys.".
  // Does nothing while already active.
  void Disable() noexcept;
  // Writes the saved settings back; traces "Hushpad: Re-enabled the
  // accessibility keys.". Does nothing while not active, so it may run twice.
  void Restore() noexcept;

 private:
  bool active_ = false;
  STICKYKEYS stickyKeys_{};
  TOGGLEKEYS toggleKeys_{};
  FILTERKEYS filterKeys_{};
  // Whether the matching read succeeded; an unread setting is never written.
  bool stickyKeysRead_ = false;
  bool toggleKeysRead_ = false;
  bool filterKeysRead_ = false;
  SystemParametersFunction systemParameters_;
};
