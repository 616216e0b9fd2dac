// The keyboard hook renews itself: a hook that Windows removed without a word
// is back within one period, at once after a resume or an unlock, and a
// renewal never leaves a moment without a hook.
#include <windows.h>
#include <wtsapi32.h>

#include <gtest/gtest.h>

#include <algorithm>

#include "Harness.h"
#include "keys/KeyboardHook.h"

namespace {

const std::wstring kHookBack = L"Hushpad: Windows had removed the keyboard hook; it is back.\n";

size_t Count(const Lines& lines, const std::wstring& line) {
  return static_cast<size_t>(std::count(lines.begin(), lines.end(), line));
}

}  // namespace

TEST(HookRenewal, AHookThatWindowsRemovedIsBackWithinOnePeriodAndNeverMissingMeanwhile) {
  WindowsKeyObserver keys;
  {
    // The test build removes the hook right after its first renewal, as
    // Windows removes one that answered too late, telling nobody.
    Probe probe;
    Hushpad hushpad(probe.CommandLine(), L"KeyboardHookRemoved:0:0:1");
    ASSERT_TRUE(hushpad.WaitForTrace(LaunchingTrace(probe.CommandLine())));
    ASSERT_TRUE(
        Eventually([&] { return keys.WindowsKeyGetsThrough(50); }, 3 * kHookRenewalPeriodMs))
        << "the hook is gone";
    const ULONGLONG lost = GetTickCount64();
    EXPECT_TRUE(
        Eventually([&] { return !keys.WindowsKeyGetsThrough(50); }, 2 * kHookRenewalPeriodMs));
    EXPECT_LE(GetTickCount64() - lost, kHookRenewalPeriodMs + 200u) << "back within one period";
    EXPECT_TRUE(hushpad.WaitForTrace(kHookBack, kHookRenewalPeriodMs));
    ExpectSuppressedWithKeysFlowing(keys, 2 * kHookRenewalPeriodMs);
    probe.Release();
    ASSERT_TRUE(hushpad.ExitsWithZero());
    EXPECT_EQ(Count(hushpad.Traces(), kHookBack), 1u) << "once for the one loss";
  }
  {
    // Every renewal pauses between its two steps: keys pressed meanwhile wait
    // for the hook thread, and the hook that judges them is the new one or
    // the old one, never none.
    Probe probe;
    Hushpad hushpad(probe.CommandLine(), L"UnhookWindowsHookEx:0:300");
    ASSERT_TRUE(hushpad.WaitForTrace(LaunchingTrace(probe.CommandLine())));
    ExpectSuppressedWithKeysFlowing(keys, 3 * kHookRenewalPeriodMs, 1000);
    probe.Release();
    ASSERT_TRUE(hushpad.ExitsWithZero());
    EXPECT_EQ(Count(hushpad.Traces(), kHookBack), 0u);
  }
}

TEST(HookRenewal, RenewsAtOnceWhenTheMachineResumesOrTheSessionIsUnlockedOrReconnected) {
  // Every renewal's hook is removed at once, so every renewal traces that it
  // found its hook gone: the trace counts the renewals.
  Probe probe;
  Hushpad hushpad(probe.CommandLine(), L"KeyboardHookRemoved:0");
  ASSERT_TRUE(hushpad.WaitForTrace(LaunchingTrace(probe.CommandLine())));
  // The hook thread's hidden window, which the system notifies.
  HWND notified = nullptr;
  ASSERT_TRUE(Eventually([&] {
    for (HWND window = nullptr;
         !notified && (window = FindWindowExW(nullptr, window, kHookWindowClassName, nullptr));) {
      DWORD owner = 0;
      GetWindowThreadProcessId(window, &owner);
      if (owner == hushpad.Pid()) notified = window;
    }
    return notified != nullptr;
  }));
  const struct {
    UINT message;
    WPARAM event;
    bool renews;
  } rows[] = {
      {WM_POWERBROADCAST, PBT_APMRESUMEAUTOMATIC, true},
      {WM_POWERBROADCAST, PBT_APMRESUMESUSPEND, true},
      {WM_WTSSESSION_CHANGE, WTS_SESSION_UNLOCK, true},
      {WM_WTSSESSION_CHANGE, WTS_REMOTE_CONNECT, true},
      {WM_WTSSESSION_CHANGE, WTS_SESSION_LOCK, false},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(testing::Message() << row.message << " " << row.event);
    // Right after a timed renewal, the next one is a period away.
    const size_t renewals = Count(hushpad.Traces(), kHookBack) + 1;
    ASSERT_TRUE(hushpad.WaitForTraceCount(kHookBack, renewals, 2 * kHookRenewalPeriodMs));
    DWORD_PTR ignored = 0;
    SendMessageTimeoutW(notified, row.message, row.event, 0, SMTO_ABORTIFHUNG, 1000, &ignored);
    EXPECT_EQ(hushpad.WaitForTraceCount(kHookBack, renewals + 1, 300), row.renews);
  }
  probe.Release();
  EXPECT_TRUE(hushpad.ExitsWithZero());
}
