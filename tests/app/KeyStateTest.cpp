// The system's own key state while Hushpad runs, as any program asking
// GetAsyncKeyState sees it: a Windows key never stays down.
#include <gtest/gtest.h>

#include <initializer_list>

#include "Harness.h"

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
// before. Under Wine a key that another process's hook passed shows there
// hundreds of milliseconds late, and events keep their order: so a harmless
// key pressed after an event shows once that event does.
void Press(std::initializer_list<KeyEvent> events) {
  for (const KeyEvent& event : events) {
    Send(event);
    Send({VK_F24, 0});
    ASSERT_TRUE(Eventually([] { return HeldDown(VK_F24); }, 5000));
    Send({VK_F24, KEYEVENTF_KEYUP});
    ASSERT_TRUE(Eventually([] { return !HeldDown(VK_F24); }, 5000));
  }
}

}  // namespace

TEST(KeyState, NoWindowsKeyIsLeftHeldDown) {
  constexpr KeyEvent winDown{VK_LWIN, 0}, winUp{VK_LWIN, KEYEVENTF_KEYUP};
  constexpr KeyEvent altDown{VK_LMENU, 0}, altUp{VK_LMENU, KEYEVENTF_KEYUP};
  // Held before Hushpad starts (a game started with Win+1 from the taskbar).
  Press({winDown});
  ASSERT_TRUE(HeldDown(VK_LWIN)) << "no hook yet";
  Probe probe;
  Hushpad hushpad(probe.CommandLine());
  ASSERT_TRUE(hushpad.WaitForTrace(LaunchingTrace(probe.CommandLine())));
  Press({winUp});
  EXPECT_FALSE(HeldDown(VK_LWIN)) << "held before the hook, released while it runs";

  Press({winDown});
  EXPECT_FALSE(HeldDown(VK_LWIN)) << "a plain press never shows";
  Press({winUp});

  Press({altDown, winDown, altUp, winUp});
  EXPECT_FALSE(HeldDown(VK_LWIN)) << "Alt+Windows down, Alt up, then Windows up";

  Press({winDown, altDown, winUp, altUp});
  EXPECT_FALSE(HeldDown(VK_LWIN)) << "Windows down, Alt down, Windows up, Alt up";

  probe.Release();
  EXPECT_TRUE(hushpad.ExitsWithZero());
  if (HeldDown(VK_LWIN)) Press({winUp});  // leave the next test a clean keyboard
}
