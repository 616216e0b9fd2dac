#pragma once

#include <windows.h>

#include <utility>

#include "text/UniqueHandle.h"

// The keys whose presses the hook judges: the two Windows keys, and Tab and
// Esc as the task-switching keys (Alt+Tab, Alt+Esc and Ctrl+Esc, the ones a
// low-level keyboard hook can disable, KB226359).
enum class PressKind : unsigned char { WindowsKey, TaskKey };

// What the hook remembers between events: for each key it judges, whether the
// press going on now was swallowed or passed on; and which Ctrl and Shift
// keys are down, as the hook saw their events go by. The system's key state
// does not change for an event that a low-level hook swallows
// ("LowLevelKeyboardProc", Remarks), so a key-up judged apart from its
// key-down could leave a key down for the system for good.
enum class KeyPress : unsigned char { None, Swallowed, Passed };
struct KeyPresses {
  KeyPress leftWindows = KeyPress::None;
  KeyPress rightWindows = KeyPress::None;
  KeyPress tab = KeyPress::None;
  KeyPress escape = KeyPress::None;
  // Bits: left Ctrl 1, right Ctrl 2, left Shift 4, right Shift 8.
  unsigned char modifiers = 0;
};

// Clears each Ctrl and Shift of `presses` that `systemHolds` says is up.
template <typename KeyStateQuestion>
inline void ForgetReleasedModifiers(KeyPresses& presses, KeyStateQuestion systemHolds) noexcept {
  constexpr DWORD modifiers[] = {VK_LCONTROL, VK_RCONTROL, VK_LSHIFT, VK_RSHIFT};
  for (unsigned i = 0; i < 4; ++i) {
    const auto bit = static_cast<unsigned char>(1u << i);
    if ((presses.modifiers & bit) && !systemHolds(modifiers[i])) presses.modifiers &= ~bit;
  }
}

// The whole decision of the hook for one event: true to swallow it. Only
// events reported with HC_ACTION count, and `key` is read only for those.
//
// A key's first key-down decides its whole press. A plain press of a Windows
// key (WM_KEYDOWN; with Alt held it is WM_SYSKEYDOWN and passes) is swallowed
// when `swallowNewPress(PressKind::WindowsKey)` says so. Tab with Alt held,
// Esc with Alt held, and Esc with Ctrl held but not Shift (Ctrl+Shift+Esc
// opens Task Manager, a player's way out of a hung game) are swallowed when
// `swallowNewPress(PressKind::TaskKey)` says so; Tab and Esc on their own or
// with any other modifier pass. Alt is the event's own: LLKHF_ALTDOWN, which
// Windows sets whenever Alt is down, or WM_SYSKEYDOWN, the same fact for Alt
// without Ctrl (and the only one some systems report). Ctrl and Shift come
// from `presses`, which records every event of those keys that the hook sees;
// it does not see them all (keys typed on the secure desktop or to an
// elevated window, keys while Windows had removed a late hook), so a Ctrl or
// Shift that the record has down is confirmed with `systemHolds(vk)` at a new
// press of Tab or Esc. With neither recorded, that costs a comparison.
//
// A press's auto-repeated key-downs follow its first key-down's decision,
// whatever the modifiers do meanwhile. Its key-up (WM_KEYUP or WM_SYSKEYUP)
// passes when the press was passed; otherwise only when `systemHolds(vk)`
// says that the system has the key down, for the system must see come up
// what it saw go down: a press this hook never saw begin was held when the
// hook arrived, and a swallowed one reached the system all the same when the
// hook answered too late (Windows then passes the event on, and removes the
// hook). A key-up the system never saw go down (another hook swallowed it, one
// that Windows then removed) would reach the game on its own.
//
// `swallowNewPress` is called at a new press only, and `systemHolds` only at
// a key-up of a press not passed and for the confirmation above, so every
// other key pays a comparison or two. Injected events are treated like
// physical ones.
template <typename NewPressQuestion, typename KeyStateQuestion>
inline bool DecideKey(int nCode, WPARAM wParam, const KBDLLHOOKSTRUCT* key, KeyPresses& presses,
                      NewPressQuestion swallowNewPress, KeyStateQuestion systemHolds) noexcept {
  if (nCode != HC_ACTION) return false;
  const bool down = wParam == WM_KEYDOWN || wParam == WM_SYSKEYDOWN;
  const bool up = wParam == WM_KEYUP || wParam == WM_SYSKEYUP;
  KeyPress* press = nullptr;
  unsigned char modifier = 0;
  switch (key->vkCode) {
    case VK_LWIN:
      press = &presses.leftWindows;
      break;
    case VK_RWIN:
      press = &presses.rightWindows;
      break;
    case VK_TAB:
      press = &presses.tab;
      break;
    case VK_ESCAPE:
      press = &presses.escape;
      break;
    case VK_CONTROL:  // a program may send the key that stands for either
    case VK_LCONTROL:
      modifier = 1;
      break;
    case VK_RCONTROL:
      modifier = 2;
      break;
    case VK_SHIFT:
    case VK_LSHIFT:
      modifier = 4;
      break;
    case VK_RSHIFT:
      modifier = 8;
      break;
    default:
      return false;
  }
  if (modifier) {
    if (down) presses.modifiers |= modifier;
    if (up) presses.modifiers &= static_cast<unsigned char>(~modifier);
    return false;
  }
  if (down) {
    if (*press == KeyPress::None) {
      const bool alt = (key->flags & LLKHF_ALTDOWN) != 0 || wParam == WM_SYSKEYDOWN;
      if (presses.modifiers && (press == &presses.tab || press == &presses.escape)) {
        ForgetReleasedModifiers(presses, systemHolds);
      }
      const bool ctrl = (presses.modifiers & 3) != 0, shift = (presses.modifiers & 12) != 0;
      bool swallowed = false;
      if (press == &presses.leftWindows || press == &presses.rightWindows) {
        swallowed = wParam == WM_KEYDOWN && swallowNewPress(PressKind::WindowsKey);
      } else if (alt || (press == &presses.escape && ctrl && !shift)) {
        swallowed = swallowNewPress(PressKind::TaskKey);
      }
      *press = swallowed ? KeyPress::Swallowed : KeyPress::Passed;
    }
    return *press == KeyPress::Swallowed;
  }
  if (!up) return false;
  switch (std::exchange(*press, KeyPress::None)) {
    case KeyPress::Passed:
      return false;
    default:
      return !systemHolds(key->vkCode);
  }
}

// Forgets each press, and each Ctrl and Shift, that the system no longer has
// down: the hook may have missed its key-up while the session was locked or
// the machine asleep. A key still held keeps its press's decision.
template <typename KeyStateQuestion>
inline void ForgetReleasedKeys(KeyPresses& presses, KeyStateQuestion systemHolds) noexcept {
  const std::pair<KeyPress*, DWORD> keys[] = {{&presses.leftWindows, VK_LWIN},
                                              {&presses.rightWindows, VK_RWIN},
                                              {&presses.tab, VK_TAB},
                                              {&presses.escape, VK_ESCAPE}};
  for (const auto& [press, vk] : keys) {
    if (*press != KeyPress::None && !systemHolds(vk)) *press = KeyPress::None;
  }
  ForgetReleasedModifiers(presses, systemHolds);
}

// Asked on the hook's thread at each new press of a Windows key, or of a
// task-switching key, whether to swallow it; it must not block, allocate or
// trace. Without one, every such press of a Windows key is swallowed and
// every task-switching key passes.
struct NewPressTest {
  bool (*swallows)(void* context, PressKind kind) noexcept = nullptr;
  void* context = nullptr;
};

// The WH_KEYBOARD_LL procedure: DecideKey with the presses and the
// NewPressTest of the hook's thread, and the system's own key state
// (GetAsyncKeyState, which inside the hook does not yet reflect the event);
// returns 1 for a swallowed event (the system then discards it), otherwise
// forwards to CallNextHookEx (which ignores its hook handle), so the hooks
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
// kHookRenewalPeriodMs, and at once when a hidden window (on a thread of its
// own) hears that the session is unlocked or reconnected or that the machine
// resumed, after forgetting the presses and the modifiers whose keys went up
// meanwhile, unseen. It installs a new hook first and then removes the old
// one, so that a key is never left without one. When the removal fails,
// Windows had removed the old hook: the thread traces "Hushpad: Windows had
// removed the keyboard hook; it is back.". The procedure's state (the presses
// going on) belongs to the thread, not to the hook, and so outlives every
// renewal.
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
  // press known. Returns true once the hook is in place; on failure returns
  // false, traces nothing, and leaves SetWindowsHookExW's error (or
  // CreateThread's) in GetLastError(). While a hook is owned, returns true and
  // does nothing else.
  bool Install(HOOKPROC procedure, NewPressTest newPress = {}, HookRenewalSeam seam = {});

  // Unhooks, ends the hook thread and waits for it, then traces "Hushpad:
  // Re-enabled the Windows key.". Does nothing, and traces nothing, when no
  // hook is owned, so it may safely run twice.
  void Remove() noexcept;

 private:
  UniqueHandle thread_;  // the hook thread's, while a hook is owned
  DWORD threadId_ = 0;
};

// How often the hook thread renews its hook. A hook that Windows removes was
// late by up to LowLevelHooksTimeout (at most a second since Windows 10 1709),
// a stall the player has just sat through; a second more without the hook is
// the same order, and a renewal (one SetWindowsHookExW and one
// UnhookWindowsHookEx) a second costs nothing measurable.
inline constexpr UINT kHookRenewalPeriodMs = 1000;
// The class of the hook's hidden window, which hears of resume and of the
// session's changes.
inline constexpr wchar_t kHookWindowClassName[] = L"HushpadKeyboardHook";
