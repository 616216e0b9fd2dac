#pragma once

#include <windows.h>

// The handle of the installed Windows-key hook, for the hook procedure, which
// has no context argument of its own. The caller of KeyboardHook::Install
// assigns it right after the call; nothing clears it.
extern HHOOK g_keyboardHookHandle;

// The whole decision of the hook: a plain key-down or key-up of either Windows
// key, reported with HC_ACTION. Alt+Windows (WM_SYSKEYDOWN/WM_SYSKEYUP), every
// other key and every other nCode pass. Injected events are treated like
// physical ones. `key` is read only when nCode is HC_ACTION.
inline bool IsSwallowedWindowsKey(int nCode, WPARAM wParam, const KBDLLHOOKSTRUCT* key) noexcept {
  return nCode == HC_ACTION && wParam >= WM_KEYDOWN && wParam <= WM_KEYUP &&
         (key->vkCode == VK_LWIN || key->vkCode == VK_RWIN);
}

// The WH_KEYBOARD_LL procedure: returns 1 for a swallowed Windows key (the
// system then discards the event), otherwise forwards to CallNextHookEx with
// g_keyboardHookHandle. It runs for every keystroke on the desktop, so it does
// nothing else: no allocation, no I/O, no trace, no lock.
LRESULT CALLBACK WindowsKeyHookProc(int nCode, WPARAM wParam, LPARAM lParam) noexcept;

// Owns one low-level keyboard hook for every thread of the desktop. The system
// calls the hook procedure on the thread that installed it, and only while
// that thread retrieves messages, so that thread must keep a message loop
// running for as long as the hook is installed.
class KeyboardHook {
 public:
  KeyboardHook() = default;
  ~KeyboardHook();
  KeyboardHook(const KeyboardHook&) = delete;
  KeyboardHook& operator=(const KeyboardHook&) = delete;

  // Installs `procedure` as a WH_KEYBOARD_LL hook and traces "Hushpad:
  // Disabled the Windows key.". Returns the hook handle; on failure returns
  // null, traces nothing, and leaves the reason in GetLastError(). A hook
  // already owned is removed first, so that none is ever leaked.
  HHOOK Install(HOOKPROC procedure);

  // Unhooks the owned hook and traces "Hushpad: Re-enabled the Windows key."
  // (even if the system refuses the unhook). Does nothing, and traces nothing,
  // when no hook is owned, so it may safely run twice.
  void Remove() noexcept;

 private:
  HHOOK handle_ = nullptr;
};
