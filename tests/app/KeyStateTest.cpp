// The system's key state while Hushpad runs (GetAsyncKeyState): a Windows key
// never stays down, and no key-up reaches a program without its key-down.
#include <gtest/gtest.h>

#include <initializer_list>

#include "Harness.h"
#include "keys/KeyboardHook.h"

namespace {

struct KeyEvent {
  WORD vk;
  DWORD flags;  // KEYEVENTF_KEYUP or 0
};

bool HeldDown(WORD vk) { return (GetAsyncKeyState(vk) & 0x8000) != 0; }

void Send(KeyEvent event) {
  INPUT input{};
  input.type = INPUT_KEYBOARD;
  input.ki = {event.vk, 0, event.flags, 0, 0};
  SendInput(1, &input, sizeof input);
}

// Sends the events one by one, each once the system's key state shows the one
// before: under Wine a key that another process's hook passed shows there
// late, so each waits for a harmless key pressed after the one before.
void Press(std::initializer_list<KeyEvent> events) {
  const auto shows = [](bool held) { return [held] { return HeldDown(VK_F24) == held; }; };
  for (const KeyEvent& event : events) {
    Send(event);
    Send({VK_F24, 0});
    PumpMessagesUntil(shows(true), 5000);
    ASSERT_TRUE(HeldDown(VK_F24));
    Send({VK_F24, KEYEVENTF_KEYUP});
    PumpMessagesUntil(shows(false), 5000);
    ASSERT_FALSE(HeldDown(VK_F24));
  }
}

// Whether the key stays up for a while: right after a key-up that a hook of
// another process swallowed, Wine may show this process the key up for a
// moment before it shows it down again.
bool StaysUp(WORD vk) {
  bool held = false;
  PumpMessagesUntil([&] { return held = HeldDown(vk); }, 600);
  return !held;
}

// Long enough for the hook to have been renewed at least once.
void WaitForRenewal() { PumpMessages(kHookRenewalPeriodMs * 3 / 2); }

}  // namespace

TEST(KeyState, NoWindowsKeyIsLeftHeldDown) {
  constexpr KeyEvent winDown{VK_LWIN, 0}, winUp{VK_LWIN, KEYEVENTF_KEYUP};
  constexpr KeyEvent altDown{VK_LMENU, 0}, altUp{VK_LMENU, KEYEVENTF_KEYUP};
  WindowsKeyObserver keys;
  // Held before Hushpad starts (a game started with Win+1 from the taskbar).
  Press({winDown});
  ASSERT_TRUE(HeldDown(VK_LWIN)) << "no hook yet";
  Probe probe;
  Hushpad hushpad(probe.CommandLine());
  ASSERT_TRUE(hushpad.WaitForTrace(LaunchingTrace(probe.CommandLine())));
  Press({winUp});
  EXPECT_TRUE(StaysUp(VK_LWIN)) << "held before the hook, released while it runs";
  EXPECT_TRUE(keys.Through({{VK_LWIN, true}}).empty())
      << "a key-up whose key-down nobody saw reaches no program";

  Press({winDown});
  EXPECT_TRUE(StaysUp(VK_LWIN)) << "a plain press never shows";
  WaitForRenewal();
  Press({altDown, winDown});
  EXPECT_TRUE(StaysUp(VK_LWIN)) << "a plain press held across a renewal, repeated with Alt";
  Press({winUp, altUp});

  Press({altDown, winDown});
  WaitForRenewal();
  Press({altUp, winUp});
  EXPECT_TRUE(StaysUp(VK_LWIN)) << "Alt+Windows held across a renewal, Alt up, then Windows up";

  Press({winDown, altDown, winUp, altUp});
  EXPECT_TRUE(StaysUp(VK_LWIN)) << "Windows down, Alt down, Windows up, Alt up";

  probe.Release();
  EXPECT_TRUE(hushpad.ExitsWithZero());
  if (HeldDown(VK_LWIN)) Press({winUp});  // leave the next test a clean keyboard
}
