#include "keys/AccessibilityGuard.h"

#include <gtest/gtest.h>

#include <vector>

#include "FakeSystemParameters.h"

using namespace fake_system;

namespace {

// Every feature off with its hotkey (and the confirmation) enabled, plus other
// bits and FilterKeys timings that must survive untouched.
const STICKYKEYS kSticky{sizeof(STICKYKEYS), SKF_AVAILABLE | SKF_HOTKEYACTIVE | SKF_CONFIRMHOTKEY |
                                                 SKF_HOTKEYSOUND | SKF_INDICATOR |
                                                 SKF_AUDIBLEFEEDBACK};
const TOGGLEKEYS kToggle{sizeof(TOGGLEKEYS),
                         TKF_AVAILABLE | TKF_HOTKEYACTIVE | TKF_CONFIRMHOTKEY | TKF_HOTKEYSOUND};
const FILTERKEYS kFilter{sizeof(FILTERKEYS),
                         FKF_AVAILABLE | FKF_HOTKEYACTIVE | FKF_CONFIRMHOTKEY | FKF_CLICKON,
                         1000,
                         500,
                         30,
                         0};

template <typename Setting>
Setting WithFlags(Setting setting, DWORD flags) {
  setting.dwFlags = flags;
  return setting;
}
template <typename Setting>
Setting HotkeyOff(Setting setting) {
  // The same two bits in all three settings.
  return WithFlags(setting, setting.dwFlags & ~DWORD{SKF_HOTKEYACTIVE | SKF_CONFIRMHOTKEY});
}

using Calls = std::vector<Call>;
Calls TakeCalls() { return std::exchange(g_calls, {}); }

}  // namespace

TEST(AccessibilityGuard, ClearsOnlyTheHotkeyBitsOfFeaturesThatAreOff_AndWritesEverySettingBack) {
  const STICKYKEYS stickyOn = WithFlags(kSticky, kSticky.dwFlags | SKF_STICKYKEYSON);
  for (const STICKYKEYS sticky : {kSticky, stickyOn}) {
    Reset(sticky, kToggle, kFilter);
    AccessibilityGuard guard(&SimulatedSystemParametersInfo);
    guard.Disable();
    Calls expected{Made(SPI_GETSTICKYKEYS, sticky), Made(SPI_GETTOGGLEKEYS, kToggle),
                   Made(SPI_GETFILTERKEYS, kFilter)};
    // A feature that is on keeps its hotkey.
    if (sticky.dwFlags == kSticky.dwFlags)
      expected.push_back(Made(SPI_SETSTICKYKEYS, HotkeyOff(sticky)));
    expected.push_back(Made(SPI_SETTOGGLEKEYS, HotkeyOff(kToggle)));
    expected.push_back(Made(SPI_SETFILTERKEYS, HotkeyOff(kFilter)));
    EXPECT_EQ(TakeCalls(), expected);
    guard.Restore();
    EXPECT_EQ(TakeCalls(), (Calls{Made(SPI_SETSTICKYKEYS, sticky), Made(SPI_SETTOGGLEKEYS, kToggle),
                                  Made(SPI_SETFILTERKEYS, kFilter)}));
  }
}

TEST(AccessibilityGuard, NeverWritesAnUnreadSettingAndDoesNothingTwice) {
  Reset(kSticky, kToggle, kFilter);
  AccessibilityGuard guard(&SimulatedSystemParametersInfo);
  guard.Restore();
  EXPECT_TRUE(TakeCalls().empty()) << "Restore without Disable";

  // A setting that cannot be read is never written.
  g_failingActions = {SPI_GETTOGGLEKEYS};
  guard.Disable();
  guard.Disable();
  EXPECT_EQ(TakeCalls().size(), 5u) << "three reads and two writes, once";
  g_system.stickyKeys = WithFlags(kSticky, SKF_STICKYKEYSON);  // changed by someone else meanwhile
  guard.Restore();
  guard.Restore();
  EXPECT_EQ(TakeCalls(),
            (Calls{Made(SPI_SETSTICKYKEYS, kSticky), Made(SPI_SETFILTERKEYS, kFilter)}));
}

TEST(AccessibilityGuard, ASuccessorRestoresTheSettingsItsPredecessorSavedNotTheChangedOnes) {
  // The first owner of the shared storage ended without restoring: the
  // successor keeps the hotkeys off from there and restores those settings.
  Reset(kSticky, kToggle, kFilter);
  AccessibilitySettings shared{};
  AccessibilityGuard first(&SimulatedSystemParametersInfo);
  first.KeepSettingsIn(&shared);
  first.Disable();
  TakeCalls();
  AccessibilityGuard successor(&SimulatedSystemParametersInfo);
  successor.KeepSettingsIn(&shared);
  successor.Disable();
  EXPECT_EQ(TakeCalls(), (Calls{Made(SPI_SETSTICKYKEYS, HotkeyOff(kSticky)),
                                Made(SPI_SETTOGGLEKEYS, HotkeyOff(kToggle)),
                                Made(SPI_SETFILTERKEYS, HotkeyOff(kFilter))}));
  successor.Restore();
  EXPECT_EQ(TakeCalls(), (Calls{Made(SPI_SETSTICKYKEYS, kSticky), Made(SPI_SETTOGGLEKEYS, kToggle),
                                Made(SPI_SETFILTERKEYS, kFilter)}));
  EXPECT_EQ(shared.applied, 0);
}
