// The accessibility settings as the user has them before, during and after a
// run, on the simulated system that the test build shares with the tests.
#include <gtest/gtest.h>

#include "Harness.h"

TEST(AccessibilitySettings, OnlyHotkeysOfFeaturesThatAreOffGoOffAndEverySettingComesBack) {
  // StickyKeys is on and keeps its hotkey; ToggleKeys cannot be read and is
  // never written; FilterKeys is off and loses both hotkey bits, nothing else.
  const SimulatedAccessibility user{
      {sizeof(STICKYKEYS), SKF_STICKYKEYSON | SKF_AVAILABLE | SKF_HOTKEYACTIVE | SKF_CONFIRMHOTKEY},
      {0, TKF_AVAILABLE | TKF_HOTKEYACTIVE},
      {sizeof(FILTERKEYS), FKF_AVAILABLE | FKF_HOTKEYACTIVE | FKF_CONFIRMHOTKEY | FKF_CLICKON, 1000,
       500, 30, 0}};
  SimulatedAccessibility running = user;
  running.filterKeys.dwFlags &= ~DWORD{FKF_HOTKEYACTIVE | FKF_CONFIRMHOTKEY};
  SimulatedSettings settings(user);
  Probe probe;
  Hushpad hushpad(probe.CommandLine());
  ASSERT_TRUE(hushpad.WaitForTrace(LaunchingTrace(probe.CommandLine())));
  EXPECT_EQ(settings.Current(), running);

  // Changed meanwhile by the user: the saved setting comes back all the same.
  SimulatedAccessibility changed = running;
  changed.stickyKeys.dwFlags &= ~DWORD{SKF_STICKYKEYSON};
  settings.Change(changed);
  probe.Release();
  ASSERT_TRUE(hushpad.ExitsWithZero());
  EXPECT_EQ(settings.Current(), user);
  EXPECT_EQ(hushpad.Traces(),
            Concat({kSuppressed, {LaunchingTrace(probe.CommandLine())}, kRestored}));
}
