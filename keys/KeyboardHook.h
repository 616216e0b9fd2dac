#pragma once

#include <windows.h>

#include <atomic>

#include "text/UniqueHandle.h"

// The handle of the installed Windows-key hook, for the hook procedure, which
// has no context argument of its own. The caller of KeyboardHook::Install
// assigns it right after the call; nothing clears it. Atomic because the hook
// procedure reads it on the hook's own thread.
extern std::atomic<HHOOK> g_keyboardHookHandle;

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
// g_keyboardHookHandle, so the hooks installed before it see the key too. It
// runs for every keystroke on the desktop, so it does nothing else: no
// allocation, no I/O, no trace, no lock.
LRESULT CALLBACK WindowsKeyHookProc(int nCode, WPARAM wParam, LPARAM lParam) noexcept;

// Owns one low-level keyboard hook for every thread of the desktop, on a
// thread of its own. The system calls a low-level hook on the thread that
// installed it, and only while that thread retrieves messages; a hook that
// does not answer within LowLevelHooksTimeout is skipped and, from Windows 7
// on, silently removed ("LowLevelKeyboardProc", Remarks). So the hook thread
// does nothing but retrieve messages from the hook's installation to its
// removal, whatever the thread that owns the KeyboardHook is busy with.
//
// Install and Remove may be called from any thread, but not at the same time.
class KeyboardHook {
 public:
  KeyboardHook() = default;
  ~KeyboardHook();
  KeyboardHook(const KeyboardHook&) = delete;
  KeyboardHook& operator=(const KeyboardHook&) = delete;

  // Starts the hook thread, which installs `procedure` as a WH_KEYBOARD_LL
  // hook, and traces "Hushpad: Disabled the Windows key." once it is in place.
  // Returns the hook handle; on failure returns null, traces nothing, and
  // leaves SetWindowsHookExW's error (or CreateThread's) in GetLastError().
  // While a hook is owned, returns it and does nothing else.
  HHOOK Install(HOOKPROC procedure);

  // Unhooks, ends the hook thread and waits for it, then traces "Hushpad:
  // Re-enabled the Windows key.". Does nothing, and traces nothing, when no
  // hook is owned, so it may safely run twice.
  void Remove() noexcept;

 private:
  HHOOK handle_ = nullptr;
  UniqueHandle thread_;
  DWORD threadId_ = 0;
};
