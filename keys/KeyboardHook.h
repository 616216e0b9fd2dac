#pragma once

#include <windows.h>

#include <atomic>
#include <utility>

#include "text/UniqueHandle.h"

// The handle of the installed Windows-key hook, for the hook procedure, which
// has no context argument of its own. The caller of KeyboardHook::Install
// assigns it right after the call; nothing clears it. Atomic because the hook
// procedure reads it on the hook's own thread.
extern std::atomic<HHOOK> g_keyboardHookHandle;

// What the hook remembers of each Windows key between its events: whether
// the press going on now was swallowed or passed on. The system's key state
// does not change for an event that a low-level hook swallows
// ("LowLevelKeyboardProc", Remarks), so a key-up judged apart from its
// key-down could leave a Windows key down for the system for good.
enum class WindowsKeyPress : unsigned char { None, Swallowed, Passed };
struct WindowsKeyPresses {
  WindowsKeyPress left = WindowsKeyPress::None;
  WindowsKeyPress right = WindowsKeyPress::None;
};

// The whole decision of the hook for one event: true to swallow it. Only the
// two Windows keys reported with HC_ACTION count; every other key and every
// other nCode pass, and `key` is read only for HC_ACTION. A key's first
// key-down decides its whole press: a plain one (WM_KEYDOWN) is swallowed
// when `swallowNewPress()` says so, one with Alt held (WM_SYSKEYDOWN) passes.
// Its auto-repeated key-downs and its key-up (WM_KEYUP or WM_SYSKEYUP) follow
// that decision, whatever Alt does meanwhile; a key-up of a press this hook
// never saw begin (the key was held when the hook arrived) passes.
// `swallowNewPress` is called at a new plain press only, so other keys never
// pay for it. Injected events are treated like physical ones.
template <typename NewPressTest>
inline bool DecideWindowsKey(int nCode, WPARAM wParam, const KBDLLHOOKSTRUCT* key,
                             WindowsKeyPresses& presses, NewPressTest swallowNewPress) noexcept {
  if (nCode != HC_ACTION) return false;
  WindowsKeyPress* press = nullptr;
  if (key->vkCode == VK_LWIN) {
    press = &presses.left;
  } else if (key->vkCode == VK_RWIN) {
    press = &presses.right;
  } else {
    return false;
  }
  switch (wParam) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
      if (*press == WindowsKeyPress::None) {
        *press = wParam == WM_KEYDOWN && swallowNewPress() ? WindowsKeyPress::Swallowed
                                                           : WindowsKeyPress::Passed;
      }
      return *press == WindowsKeyPress::Swallowed;
    case WM_KEYUP:
    case WM_SYSKEYUP:
      return std::exchange(*press, WindowsKeyPress::None) == WindowsKeyPress::Swallowed;
    default:
      return false;
  }
}

// Asked on the hook's thread at each new plain press of a Windows key whether
// to swallow it; it must not block, allocate or trace. Without one, every
// such press is swallowed.
struct NewPressTest {
  bool (*swallows)(void* context) noexcept = nullptr;
  void* context = nullptr;
};

// The WH_KEYBOARD_LL procedure: DecideWindowsKey with the presses and the
// NewPressTest of the hook's thread; returns 1 for a swallowed event (the
// system then discards it), otherwise forwards to CallNextHookEx with
// g_keyboardHookHandle, so the hooks installed before it see the key too. It
// runs for every keystroke on the desktop, so it does nothing else: no
// allocation, no I/O, no trace, no lock (its state lives on the hook's
// thread, the only one it runs on).
LRESULT CALLBACK WindowsKeyHookProc(int nCode, WPARAM wParam, LPARAM lParam) noexcept;

// Owns one low-level keyboard hook for every thread of the desktop, on a
// thread of its own. The system calls a low-level hook on the thread that
// installed it, and only while that thread retrieves messages; a hook that
// does not answer within LowLevelHooksTimeout is skipped and, from Windows 7
// on, silently removed ("LowLevelKeyboardProc", Remarks). So the hook thread
// does nothing but retrieve messages from the hook's installation to its
// removal, whatever the thread that owns the KeyboardHook is busy with, and
// runs at time-critical priority, so that a game keeping every processor busy
// cannot delay its answer.
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
  // WindowsKeyHookProc asks `newPress` on that thread, and begins with no
  // press of either key known.
  // Returns the hook handle; on failure returns null, traces nothing, and
  // leaves SetWindowsHookExW's error (or CreateThread's) in GetLastError().
  // While a hook is owned, returns it and does nothing else.
  HHOOK Install(HOOKPROC procedure, NewPressTest newPress = {});

  // Unhooks, ends the hook thread and waits for it, then traces "Hushpad:
  // Re-enabled the Windows key.". Does nothing, and traces nothing, when no
  // hook is owned, so it may safely run twice.
  void Remove() noexcept;

 private:
  HHOOK handle_ = nullptr;
  UniqueHandle thread_;
  DWORD threadId_ = 0;
};
