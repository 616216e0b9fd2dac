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
// that decision, whatever Alt does meanwhile. A key-up of a press this hook
// never saw begin passes only when `systemHolds(vk)` says that the system has
// the key down: the key was held when the hook arrived, and the system must
// see it come up. Otherwise the system never saw it go down either (another
// hook swallowed it, one that Windows then removed), and a lone key-up would
// reach the game. `swallowNewPress` is called at a new plain press only and
// `systemHolds` at a lone key-up only, so other keys never pay for them.
// Injected events are treated like physical ones.
template <typename NewPressTest, typename SystemHolds>
inline bool DecideWindowsKey(int nCode, WPARAM wParam, const KBDLLHOOKSTRUCT* key,
                             WindowsKeyPresses& presses, NewPressTest swallowNewPress,
                             SystemHolds systemHolds) noexcept {
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
      switch (std::exchange(*press, WindowsKeyPress::None)) {
        case WindowsKeyPress::Swallowed:
          return true;
        case WindowsKeyPress::Passed:
          return false;
        default:
          return !systemHolds(key->vkCode);
      }
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
// NewPressTest of the hook's thread, and the system's own key state
// (GetAsyncKeyState, which inside the hook does not yet reflect the event);
// returns 1 for a swallowed event (the system then discards it), otherwise
// forwards to CallNextHookEx with g_keyboardHookHandle, so the hooks
// installed before it see the key too. It runs for every keystroke on the
// desktop, so it does nothing else: no allocation, no I/O, no trace, no lock
// (its state lives on the hook's thread, the only one it runs on).
LRESULT CALLBACK WindowsKeyHookProc(int nCode, WPARAM wParam, LPARAM lParam) noexcept;

// What the tests of the program put into a renewal of the hook, on the hook's
// thread; the shipped program leaves both empty.
struct HookRenewalSeam {
  // Between the new hook's installation and the old one's removal.
  void (*betweenSteps)() noexcept = nullptr;
  // After a renewal: true to remove the new hook as Windows does, telling
  // nobody.
  bool (*removeSilently)() noexcept = nullptr;
};

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
// Nothing tells a program that its hook was removed, and hooks are also lost
// across sleep and resume. So the thread renews the hook every
// kHookRenewalPeriodMs, and at once when the session is unlocked or
// reconnected or the machine resumes: it installs a new hook first and then
// removes the old one, so that a key is never left without one. When the
// removal fails, Windows had removed the old hook: the thread traces
// "Hushpad: Windows had removed the keyboard hook; it is back.". The
// procedure's state (the presses going on) belongs to the thread, not to the
// hook, and so outlives every renewal.
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
  // press of either key known; renewals keep g_keyboardHookHandle current.
  // Returns the hook handle as first installed; on failure returns null,
  // traces nothing, and leaves SetWindowsHookExW's error (or CreateThread's)
  // in GetLastError(). While a hook is owned, returns it and does nothing
  // else.
  HHOOK Install(HOOKPROC procedure, NewPressTest newPress = {}, HookRenewalSeam seam = {});

  // Unhooks, ends the hook thread and waits for it, then traces "Hushpad:
  // Re-enabled the Windows key.". Does nothing, and traces nothing, when no
  // hook is owned, so it may safely run twice.
  void Remove() noexcept;

 private:
  HHOOK handle_ = nullptr;
  UniqueHandle thread_;
  DWORD threadId_ = 0;
};

// How often the hook thread renews its hook. A hook that Windows removes was
// late by up to LowLevelHooksTimeout (at most a second since Windows 10 1709),
// a stall the player has just sat through; a second more without the hook is
// the same order, and a renewal (one SetWindowsHookExW and one
// UnhookWindowsHookEx) a second costs nothing measurable.
inline constexpr UINT kHookRenewalPeriodMs = 1000;
// The class of the hook thread's hidden window, which hears of resume and of
// the session's changes.
inline constexpr wchar_t kHookWindowClassName[] = L"HushpadKeyboardHook";
