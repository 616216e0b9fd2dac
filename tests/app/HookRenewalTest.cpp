// A hook that Windows removed without a word is back within one period, and
// a renewal never leaves a moment without a hook.
#include <gtest/gtest.h>

#include <algorithm>

#include "Harness.h"
#include "keys/KeyboardHook.h"

namespace {

const std::wstring kHookBack = L"Hushpad: Windows had removed the keyboard hook; it is back.\n";

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
    const Lines traces = hushpad.Traces();
    EXPECT_EQ(std::count(traces.begin(), traces.end(), kHookBack), 1) << "once for the one loss";
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
    EXPECT_FALSE(hushpad.WaitForTrace(kHookBack, 0));
  }
}
