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
  bool held = true;     // whether the system has the key down, should it be asked
  int nCode = HC_ACTION;
  DWORD flags = 0;
};
constexpr DWORD L = VK_LWIN, R = VK_RWIN, Tab = VK_TAB, Esc = VK_ESCAPE, Ctrl = VK_RCONTROL,
                Shift = VK_LSHIFT;
constexpr WPARAM Down = WM_KEYDOWN, Up = WM_KEYUP, AltDown = WM_SYSKEYDOWN, AltUp = WM_SYSKEYUP;

// Counts the left Windows key's events that reach a hook of the test's own,
// installed before KeyboardHook's and so called after it.
int g_windowsKeysSeen = 0;

LRESULT CALLBACK CountWindowsKeys(int code, WPARAM wParam, LPARAM lParam) noexcept {
  const bool windowsKey = reinterpret_cast<const KBDLLHOOKSTRUCT*>(lParam)->vkCode == VK_LWIN;
  if (code != HC_ACTION || !windowsKey) return CallNextHookEx(nullptr, code, wParam, lParam);
  ++g_windowsKeysSeen;
  return 1;
}

// Presses and releases the key: how many of its events got past KeyboardHook.
int WindowsKeyEventsHandedOn() {
  g_windowsKeysSeen = 0;
  INPUT inputs[2] = {};
  for (INPUT& input : inputs) {
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = VK_LWIN;
  }
  inputs[1].ki.dwFlags = KEYEVENTF_KEYUP;
  SendInput(2, inputs, sizeof(INPUT));
  for (const ULONGLONG end = GetTickCount64() + 300;
       GetTickCount64() < end && g_windowsKeysSeen < 2;) {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  }
  return g_windowsKeysSeen;
}

}  // namespace

TEST(KeyDecision, EachPressIsDecidedAtItsFirstDownAndItsUpFollows) {
  const struct {
    const char* what;
    std::vector<Step> steps;
    int windowsKeyTests;  // how often the new-press test must have been asked, for each kind
    int taskKeyTests;
    int heldTests = 0;  // how often the system's key state must have been asked
  } sequences[] = {
      {"plain press, auto-repeated", {{Down, L, 1}, {Down, L, 1}, {Up, L, 1}}, 1, 0},
      {"Alt held at the down, released before the up",
       {{AltDown, L, 0}, {Down, L, 0}, {Up, L, 0}},
       0,
       0},
      {"Alt pressed after a swallowed down", {{Down, R, 1}, {AltDown, R, 1}, {AltUp, R, 1}}, 1, 0},
      {"held when the hook arrived, then pressed again",
       {{Up, L, 0}, {Down, L, 1}, {Up, L, 1}},
       1,
       0,
       1},
      {"lone key-ups of presses the system never saw begin",
       {{Up, R, 1, true, false}, {AltUp, Tab, 1, true, false}},
       0,
       0,
       2},
      {"both keys at once, one with Alt",
       {{Down, L, 1}, {AltDown, R, 0}, {Up, L, 1}, {AltUp, R, 0}},
       1,
       0},
      {"not in front at the down, in front at the up",
       {{Down, L, 0, false}, {Down, L, 0}, {Up, L, 0}},
       1,
       0},
      {"in front at the down, not at the up", {{Down, R, 1}, {Up, R, 1, false}}, 1, 0},
      {"Alt+Tab auto-repeated, its Tab let go after Alt",
       {{AltDown, Tab, 1}, {AltDown, Tab, 1}, {Up, Tab, 1}},
       0,
       1},
      {"Ctrl+Alt+Tab: Alt known by the event's flag alone",
       {{Down, Ctrl, 0},
        {Down, Tab, 1, true, true, HC_ACTION, LLKHF_ALTDOWN},
        {Up, Tab, 1},
        {Up, Ctrl, 0}},
       0,
       1},
      {"Ctrl+Esc, then Ctrl+Shift+Esc (Task Manager), then Esc once Ctrl is up",
       {{Down, Ctrl, 0},
        {Down, Esc, 1},
        {Up, Esc, 1},
        {Down, Shift, 0},
        {Down, Esc, 0},
        {Up, Esc, 0},
        {Up, Shift, 0},
        {Up, Ctrl, 0},
        {Down, Esc, 0},
        {Up, Esc, 0}},
       0,
       1},
      {"Alt+Esc that no copy wants swallowed", {{AltDown, Esc, 0, false}, {AltUp, Esc, 0}}, 0, 1},
      {"Tab, Shift+Tab, Ctrl+Tab and Esc pass unasked",
       {{Down, Tab, 0},
        {Up, Tab, 0},
        {Down, Shift, 0},
        {Down, Tab, 0},
        {Up, Tab, 0},
        {Up, Shift, 0},
        {Down, Ctrl, 0},
        {Down, Tab, 0},
        {Up, Tab, 0},
        {Up, Ctrl, 0}},
       0,
       0},
      {"other keys pass",
       {{Down, 'A', 0}, {Up, VK_APPS, 0}, {Down, L - 1, 0}, {Down, R + 1, 0}},
       0,
       0},
      {"other messages and codes pass and change nothing",
       {{Down, L, 1},
        {WM_CHAR, L, 0},
        {Up, L, 0, true, true, -1},
        {Up, L, 0, true, true, 1},
        {Up, L, 1}},
       1,
       0},
  };
  for (const auto& sequence : sequences) {
    SCOPED_TRACE(sequence.what);
    KeyPresses presses;
    int tests[2] = {}, heldTests = 0;
    for (size_t i = 0; i < sequence.steps.size(); ++i) {
      const Step& step = sequence.steps[i];
      KBDLLHOOKSTRUCT key{};
      key.vkCode = step.vk;
      key.flags = step.flags | LLKHF_INJECTED;  // injected events count like physical ones
      const auto newPress = [&](PressKind kind) {
        ++tests[static_cast<int>(kind)];
        return step.inFront;
      };
      const auto held = [&](DWORD vk) {
        ++heldTests;
        EXPECT_EQ(vk, step.vk);
        return step.held;
      };
      EXPECT_EQ(DecideKey(step.nCode, step.message, &key, presses, newPress, held), step.swallowed)
          << "step " << i;
    }
    EXPECT_EQ(tests[0], sequence.windowsKeyTests);
    EXPECT_EQ(tests[1], sequence.taskKeyTests);
    EXPECT_EQ(heldTests, sequence.heldTests);
  }
  // A negative code carries no promise about lParam: it is never read.
  EXPECT_EQ(WindowsKeyHookProc(-1, WM_KEYDOWN, 0), 0);
}

TEST(KeyboardHook, SwallowsTheWindowsKeyFromInstallUntilRemove) {
  const HHOOK counter = SetWindowsHookExW(WH_KEYBOARD_LL, CountWindowsKeys, nullptr, 0);
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
  UnhookWindowsHookEx(counter);
}
