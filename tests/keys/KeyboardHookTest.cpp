// The hook's decision, event after event, for sequences real input can and
// cannot produce; and the hook's renewal on notifications, for real.
#include "keys/KeyboardHook.h"

#include <wtsapi32.h>

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <vector>

namespace {

struct Step {
  WPARAM message;
  DWORD vk;
  bool swallowed;
  bool inFront = true;  // what the new-press test answers, should it be asked
  bool held = false;    // whether the system has a key down, should it be asked
  int nCode = HC_ACTION;
  DWORD flags = 0;
};
constexpr DWORD L = VK_LWIN, R = VK_RWIN, Tab = VK_TAB, Esc = VK_ESCAPE, Ctrl = VK_RCONTROL,
                Shift = VK_LSHIFT;
constexpr WPARAM Down = WM_KEYDOWN, Up = WM_KEYUP, AltDown = WM_SYSKEYDOWN, AltUp = WM_SYSKEYUP;

// Whether `condition` holds within `timeoutMs` (polled every 10 ms).
template <typename Condition>
bool Eventually(Condition condition, DWORD timeoutMs = 2000) {
  for (const ULONGLONG deadline = GetTickCount64() + timeoutMs; !condition(); Sleep(10)) {
    if (GetTickCount64() >= deadline) return false;
  }
  return true;
}

}  // namespace

TEST(KeyDecision, EachPressIsDecidedAtItsFirstDownAndItsUpFollows) {
  // `asked`: the questions the hook must have asked, in order: W and T, the
  // new-press test for a Windows key and for a task-switching key; h, c and
  // s, the system's key state of the event's key, of a Ctrl, of a Shift.
  const struct {
    const char* what;
    std::vector<Step> steps;
    std::string asked;
  } sequences[] = {
      // clang-format off
      {"plain press, auto-repeated", {{Down, L, 1}, {Down, L, 1}, {Up, L, 1}}, "Wh"},
      {"a swallowed down that reached the system (the hook answered too late), then its up",
       {{Down, L, 1}, {Up, L, 0, true, true}}, "Wh"},
      {"Alt held at the down, released before the up",
       {{AltDown, L, 0}, {Down, L, 0}, {Up, L, 0}}, ""},
      {"Alt pressed after a swallowed down", {{Down, R, 1}, {AltDown, R, 1}, {AltUp, R, 1}}, "Wh"},
      {"held when the hook arrived, then pressed again",
       {{Up, L, 0, true, true}, {Down, L, 1}, {Up, L, 1}}, "hWh"},
      {"lone key-ups of presses the system never saw begin", {{Up, R, 1}, {AltUp, Tab, 1}}, "hh"},
      {"both keys at once, one with Alt",
       {{Down, L, 1}, {AltDown, R, 0}, {Up, L, 1}, {AltUp, R, 0}}, "Wh"},
      {"not in front at the down, in front at the up",
       {{Down, L, 0, false}, {Down, L, 0}, {Up, L, 0}}, "W"},
      {"in front at the down, not at the up", {{Down, R, 1}, {Up, R, 1, false}}, "Wh"},
      {"Alt+Tab auto-repeated, its Tab let go after Alt",
       {{AltDown, Tab, 1}, {AltDown, Tab, 1}, {Up, Tab, 1}}, "Th"},
      {"Ctrl+Alt+Tab: Alt known by the event's flag alone",
       {{Down, Ctrl, 0}, {Down, Tab, 1, true, true, HC_ACTION, LLKHF_ALTDOWN}, {Up, Tab, 1},
        {Up, Ctrl, 0}}, "cTh"},
      {"Ctrl+Esc, then Ctrl+Shift+Esc (Task Manager), then Esc once Ctrl is up",
       {{Down, Ctrl, 0}, {Down, Esc, 1, true, true}, {Up, Esc, 1}, {Down, Shift, 0},
        {Down, Esc, 0, true, true}, {Up, Esc, 0}, {Up, Shift, 0}, {Up, Ctrl, 0}, {Down, Esc, 0},
        {Up, Esc, 0}}, "cThcs"},
      {"Ctrl seen going down, its key-up missed, then plain Esc twice",
       {{Down, Ctrl, 0}, {Down, Esc, 0}, {Up, Esc, 0}, {Down, Esc, 0}, {Up, Esc, 0}}, "c"},
      {"Alt+Esc that no copy wants swallowed", {{AltDown, Esc, 0, false}, {AltUp, Esc, 0}}, "T"},
      {"Tab, Shift+Tab, Ctrl+Tab and Esc pass, the modifiers confirmed",
       {{Down, Tab, 0}, {Up, Tab, 0}, {Down, Shift, 0}, {Down, Tab, 0, true, true}, {Up, Tab, 0},
        {Up, Shift, 0}, {Down, Ctrl, 0}, {Down, Tab, 0, true, true}, {Up, Tab, 0}, {Up, Ctrl, 0}},
       "sc"},
      {"other keys pass", {{Down, 'A', 0}, {Up, VK_APPS, 0}, {Down, L - 1, 0}, {Down, R + 1, 0}},
       ""},
      {"other messages and codes pass and change nothing",
       {{Down, L, 1}, {WM_CHAR, L, 0}, {Up, L, 0, true, true, -1}, {Up, L, 0, true, true, 1},
        {Up, L, 1}}, "Wh"},
      // clang-format on
  };
  for (const auto& sequence : sequences) {
    SCOPED_TRACE(sequence.what);
    KeyPresses presses;
    std::string asked;
    for (size_t i = 0; i < sequence.steps.size(); ++i) {
      const Step& step = sequence.steps[i];
      KBDLLHOOKSTRUCT key{};
      key.vkCode = step.vk;
      key.flags = step.flags | LLKHF_INJECTED;  // injected events count like physical ones
      const auto newPress = [&](PressKind kind) {
        asked += kind == PressKind::WindowsKey ? 'W' : 'T';
        return step.inFront;
      };
      const auto held = [&](DWORD vk) {
        asked += vk == step.vk ? 'h' : vk == VK_LSHIFT || vk == VK_RSHIFT ? 's' : 'c';
        return step.held;
      };
      EXPECT_EQ(DecideKey(step.nCode, step.message, &key, presses, newPress, held), step.swallowed)
          << "step " << i;
    }
    EXPECT_EQ(asked, sequence.asked);
  }
  // A negative code carries no promise about lParam: it is never read.
  EXPECT_EQ(WindowsKeyHookProc(-1, WM_KEYDOWN, 0), 0);
}

TEST(KeyboardHook, IsRenewedAtOnceWhenTheMachineResumesOrTheSessionIsUnlockedOrReconnected) {
  static std::atomic<int> renewals{0}, asked{0};
  KeyboardHook hook;
  ASSERT_TRUE(
      hook.Install(WindowsKeyHookProc, {[](void*, PressKind) noexcept { return ++asked > 0; }},
                   {nullptr, []() noexcept { return static_cast<void>(++renewals), false; }}));
  HWND notified = nullptr;  // the hook's, which the system notifies
  DWORD owner = 0;
  ASSERT_TRUE(Eventually([&] {
    notified = FindWindowExW(nullptr, nullptr, kHookWindowClassName, nullptr);
    return GetWindowThreadProcessId(notified, &owner) && owner == GetCurrentProcessId();
  }));
  const struct {
    UINT message;
    WPARAM event;
    int renewals;
  } rows[] = {{WM_POWERBROADCAST, PBT_APMRESUMEAUTOMATIC, 1},
              {WM_POWERBROADCAST, PBT_APMRESUMESUSPEND, 1},
              {WM_WTSSESSION_CHANGE, WTS_SESSION_UNLOCK, 1},
              {WM_WTSSESSION_CHANGE, WTS_CONSOLE_CONNECT, 1},
              {WM_WTSSESSION_CHANGE, WTS_REMOTE_CONNECT, 1},
              {WM_WTSSESSION_CHANGE, WTS_SESSION_LOCK, 0}};
  // A swallowed press (the system never holds its key), forgotten at the first
  // notification: its next key-down is a new press, asked about again.
  keybd_event(VK_LWIN, 0, 0, 0);
  ASSERT_TRUE(Eventually([] { return asked == 1; }));
  for (const auto& row : rows) {
    // Right after a timed renewal, the next one is a period away.
    const int timed = renewals;
    ASSERT_TRUE(Eventually([&] { return renewals != timed; }, 2 * kHookRenewalPeriodMs));
    const int before = renewals;
    SendMessageW(notified, row.message, row.event, 0);
    Eventually([&] { return renewals != before; }, kHookRenewalPeriodMs / 2);
    EXPECT_EQ(renewals - before, row.renewals) << row.message << " " << row.event;
  }
  keybd_event(VK_LWIN, 0, 0, 0);
  EXPECT_TRUE(Eventually([] { return asked == 2; }));
  keybd_event(VK_LWIN, 0, KEYEVENTF_KEYUP, 0);
}
