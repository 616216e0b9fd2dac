// The hook's decision, event after event, for the sequences real keyboards
// produce and for the ones real input cannot; and the hook itself, installed
// and removed for real.
#include "keys/KeyboardHook.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

struct Step {
  WPARAM message;
  DWORD vk;
  bool swallowed;
  bool inFront = true;  // what the new-press test answers, should it be asked
  int nCode = HC_ACTION;
};

struct Sequence {
  const char* what;
  std::vector<Step> steps;
  int newPressTests;  // how often the new-press test must have been asked
};

}  // namespace

TEST(WindowsKeyDecision, EachPressIsDecidedAtItsFirstDownAndItsUpFollows) {
  const Sequence sequences[] = {
      {"plain press, auto-repeated",
       {{WM_KEYDOWN, VK_LWIN, true}, {WM_KEYDOWN, VK_LWIN, true}, {WM_KEYUP, VK_LWIN, true}},
       1},
      {"Alt held at the down, released before the up",
       {{WM_SYSKEYDOWN, VK_LWIN, false}, {WM_KEYDOWN, VK_LWIN, false}, {WM_KEYUP, VK_LWIN, false}},
       0},
      {"Alt pressed after a swallowed down",
       {{WM_KEYDOWN, VK_RWIN, true}, {WM_SYSKEYDOWN, VK_RWIN, true}, {WM_SYSKEYUP, VK_RWIN, true}},
       1},
      {"held when the hook arrived, then pressed again",
       {{WM_KEYUP, VK_LWIN, false}, {WM_KEYDOWN, VK_LWIN, true}, {WM_KEYUP, VK_LWIN, true}},
       1},
      {"both keys at once, one with Alt",
       {{WM_KEYDOWN, VK_LWIN, true},
        {WM_SYSKEYDOWN, VK_RWIN, false},
        {WM_KEYUP, VK_LWIN, true},
        {WM_SYSKEYUP, VK_RWIN, false}},
       1},
      {"not in front at the down, in front at the up",
       {{WM_KEYDOWN, VK_LWIN, false, false},
        {WM_KEYDOWN, VK_LWIN, false, true},
        {WM_KEYUP, VK_LWIN, false, true}},
       1},
      {"in front at the down, not at the up",
       {{WM_KEYDOWN, VK_RWIN, true, true}, {WM_KEYUP, VK_RWIN, true, false}},
       1},
      {"other keys, messages and codes pass and change nothing",
       {{WM_KEYDOWN, VK_LWIN, true},
        {WM_KEYDOWN, 'A', false},
        {WM_KEYUP, VK_APPS, false},
        {WM_KEYDOWN, VK_LWIN - 1, false},
        {WM_KEYDOWN, VK_RWIN + 1, false},
        {WM_CHAR, VK_LWIN, false},
        {WM_KEYUP, VK_LWIN, false, true, -1},
        {WM_KEYUP, VK_LWIN, false, true, 1},
        {WM_KEYUP, VK_LWIN, true}},
       1},
  };
  for (const Sequence& sequence : sequences) {
    SCOPED_TRACE(sequence.what);
    WindowsKeyPresses presses;
    int tests = 0;
    for (size_t i = 0; i < sequence.steps.size(); ++i) {
      const Step& step = sequence.steps[i];
      KBDLLHOOKSTRUCT key{};
      key.vkCode = step.vk;
      key.flags = LLKHF_INJECTED;  // injected events count like physical ones
      EXPECT_EQ(DecideWindowsKey(step.nCode, step.message, &key, presses,
                                 [&] {
                                   ++tests;
                                   return step.inFront;
                                 }),
                step.swallowed)
          << "step " << i;
    }
    EXPECT_EQ(tests, sequence.newPressTests);
  }
  // A negative code carries no promise about lParam: it is never read.
  EXPECT_EQ(WindowsKeyHookProc(-1, WM_KEYDOWN, 0), 0);
}

namespace {

// A low-level hook of the test's own, installed before KeyboardHook's and so
// called after it: it counts the Windows-key events that KeyboardHook hands on.
int g_windowsKeysSeen = 0;

LRESULT CALLBACK CountWindowsKeys(int code, WPARAM wParam, LPARAM lParam) noexcept {
  const auto* key = reinterpret_cast<const KBDLLHOOKSTRUCT*>(lParam);
  if (code == HC_ACTION && key->vkCode == VK_LWIN) {
    ++g_windowsKeysSeen;
    return 1;  // no further
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

// Presses and releases the left Windows key; the events that got past
// KeyboardHook, counted while this thread pumps its messages for a while.
int WindowsKeyEventsHandedOn() {
  g_windowsKeysSeen = 0;
  INPUT inputs[2] = {};
  for (INPUT& input : inputs) {
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = VK_LWIN;
  }
  inputs[1].ki.dwFlags = KEYEVENTF_KEYUP;
  SendInput(2, inputs, sizeof(INPUT));
  for (const ULONGLONG end = GetTickCount64() + 300; GetTickCount64() < end && g_windowsKeysSeen < 2;) {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  }
  return g_windowsKeysSeen;
}

}  // namespace

TEST(KeyboardHook, SwallowsTheWindowsKeyFromInstallUntilRemove) {
  const HHOOK counter = SetWindowsHookExW(WH_KEYBOARD_LL, CountWindowsKeys, nullptr, 0);
  ASSERT_NE(counter, nullptr);
  ASSERT_EQ(WindowsKeyEventsHandedOn(), 2) << "seen before any KeyboardHook";
  KeyboardHook hook;
  const HHOOK installed = hook.Install(WindowsKeyHookProc);
  ASSERT_NE(installed, nullptr);
  EXPECT_EQ(hook.Install(WindowsKeyHookProc), installed) << "the one it owns, no second hook";
  EXPECT_EQ(WindowsKeyEventsHandedOn(), 0);
  hook.Remove();
  hook.Remove();
  EXPECT_EQ(WindowsKeyEventsHandedOn(), 2) << "gone after Remove";
  ASSERT_NE(hook.Install(WindowsKeyHookProc), nullptr);
  EXPECT_EQ(WindowsKeyEventsHandedOn(), 0) << "and back after a new Install";
  hook.Remove();
  UnhookWindowsHookEx(counter);
}
