#include "keys/AccessibilityGuard.h"

#include <gtest/gtest.h>

#include <vector>

#include "FakeSystemParameters.h"

using namespace fake_system;

namespace {

// Every feature off with its hotkey (and the confirmation) enabled, plus other
// bits and FilterKeys timings that must survive untouched.
const STICKYKEYS kStickyOff{sizeof(STICKYKEYS), SKF_AVAILABLE | SKF_HOTKEYACTIVE |
                                                    SKF_CONFIRMHOTKEY | SKF_HOTKEYSOUND |
                                                    SKF_INDICATOR | SKF_AUDIBLEFEEDBACK};
const TOGGLEKEYS kToggleOff{sizeof(TOGGLEKEYS),
                            TKF_AVAILABLE | TKF_HOTKEYACTIVE | TKF_CONFIRMHOTKEY | TKF_HOTKEYSOUND};
const FILTERKEYS kFilterOff{
    sizeof(FILTERKEYS),
    FKF_AVAILABLE | FKF_HOTKEYACTIVE | FKF_CONFIRMHOTKEY | FKF_HOTKEYSOUND | FKF_CLICKON,
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
  return WithFlags(setting, setting.dwFlags & ~DWORD{0xC});
}

using Calls = std::vector<Call>;
const Calls kRestoreCalls = {Made(SPI_SETSTICKYKEYS, kStickyOff),
                             Made(SPI_SETTOGGLEKEYS, kToggleOff),
                             Made(SPI_SETFILTERKEYS, kFilterOff)};

class AccessibilityGuardTest : public ::testing::Test {
 protected:
  void SetUp() override { Reset(kStickyOff, kToggleOff, kFilterOff); }
  // Returns the calls made so far and forgets them.
  static Calls TakeCalls() { return std::exchange(g_calls, {}); }
  AccessibilityGuard guard_{&SimulatedSystemParametersInfo};
};

}  // namespace

TEST_F(AccessibilityGuardTest,
       AllOff_DisableClearsOnlyTheHotkeyBits_RestoreWritesTheSavedOnesBack) {
  guard_.Disable();
  EXPECT_EQ(TakeCalls(), (Calls{
                             Made(SPI_GETSTICKYKEYS, kStickyOff),
                             Made(SPI_GETTOGGLEKEYS, kToggleOff),
                             Made(SPI_GETFILTERKEYS, kFilterOff),
                             Made(SPI_SETSTICKYKEYS, HotkeyOff(kStickyOff)),
                             Made(SPI_SETTOGGLEKEYS, HotkeyOff(kToggleOff)),
                             Made(SPI_SETFILTERKEYS, HotkeyOff(kFilterOff)),
                         }));
  guard_.Restore();
  EXPECT_EQ(TakeCalls(), kRestoreCalls);
}

TEST_F(AccessibilityGuardTest, FeatureSwitchedOn_KeepsItsHotkey_YetIsWrittenBackAtRestore) {
  const STICKYKEYS stickyOn = WithFlags(kStickyOff, kStickyOff.dwFlags | SKF_STICKYKEYSON);
  const FILTERKEYS filterOn = WithFlags(kFilterOff, kFilterOff.dwFlags | FKF_FILTERKEYSON);
  Reset(stickyOn, kToggleOff, filterOn);
  guard_.Disable();
  EXPECT_EQ(TakeCalls(), (Calls{
                             Made(SPI_GETSTICKYKEYS, stickyOn),
                             Made(SPI_GETTOGGLEKEYS, kToggleOff),
                             Made(SPI_GETFILTERKEYS, filterOn),
                             Made(SPI_SETTOGGLEKEYS, HotkeyOff(kToggleOff)),
                         }));
  guard_.Restore();
  EXPECT_EQ(TakeCalls(),
            (Calls{Made(SPI_SETSTICKYKEYS, stickyOn), Made(SPI_SETTOGGLEKEYS, kToggleOff),
                   Made(SPI_SETFILTERKEYS, filterOn)}));
}

TEST_F(AccessibilityGuardTest,
       RepeatsTouchNothing_RestoreOverwritesChanges_NextDisableSavesAnew_DestructorRestores) {
  guard_.Restore();
  EXPECT_TRUE(TakeCalls().empty()) << "Restore without Disable";
  guard_.Disable();
  TakeCalls();
  g_stickyKeys = STICKYKEYS{sizeof(STICKYKEYS), SKF_STICKYKEYSON};
  guard_.Disable();
  EXPECT_TRUE(TakeCalls().empty()) << "second Disable";
  guard_.Restore();
  EXPECT_EQ(TakeCalls(), kRestoreCalls) << "the settings of the first Disable, over the change";
  guard_.Restore();
  EXPECT_TRUE(TakeCalls().empty()) << "second Restore";

  const TOGGLEKEYS changed{sizeof(TOGGLEKEYS), TKF_AVAILABLE | TKF_HOTKEYACTIVE | TKF_INDICATOR};
  g_toggleKeys = changed;
  guard_.Disable();
  TakeCalls();
  guard_.Restore();
  EXPECT_EQ(TakeCalls()[1], Made(SPI_SETTOGGLEKEYS, changed));

  Reset(kStickyOff, kToggleOff, kFilterOff);
  { AccessibilityGuard idle(&SimulatedSystemParametersInfo); }
  EXPECT_TRUE(TakeCalls().empty()) << "an idle guard's destructor";
  {
    AccessibilityGuard active(&SimulatedSystemParametersInfo);
    active.Disable();
    TakeCalls();
  }
  EXPECT_EQ(TakeCalls(), kRestoreCalls) << "an active guard's destructor";
}

TEST_F(AccessibilityGuardTest, FailedRead_LeavesThatFeatureAloneInDisableAndRestore) {
  g_failingActions = {SPI_GETTOGGLEKEYS};
  guard_.Disable();
  EXPECT_EQ(TakeCalls(), (Calls{
                             Made(SPI_GETSTICKYKEYS, kStickyOff),
                             {SPI_GETTOGGLEKEYS, sizeof(TOGGLEKEYS), {}, 0},
                             Made(SPI_GETFILTERKEYS, kFilterOff),
                             Made(SPI_SETSTICKYKEYS, HotkeyOff(kStickyOff)),
                             Made(SPI_SETFILTERKEYS, HotkeyOff(kFilterOff)),
                         }));
  guard_.Restore();
  EXPECT_EQ(TakeCalls(),
            (Calls{Made(SPI_SETSTICKYKEYS, kStickyOff), Made(SPI_SETFILTERKEYS, kFilterOff)}));

  // With every read failing the guard still becomes active but writes
  // nothing, and a later successful cycle works normally.
  g_failingActions = {SPI_GETSTICKYKEYS, SPI_GETTOGGLEKEYS, SPI_GETFILTERKEYS};
  guard_.Disable();
  guard_.Disable();
  guard_.Restore();
  EXPECT_EQ(TakeCalls().size(), 3u) << "the three reads of the first Disable only";
  g_failingActions.clear();
  guard_.Disable();
  guard_.Restore();
  EXPECT_EQ(Calls(g_calls.end() - 3, g_calls.end()), kRestoreCalls);
}

TEST_F(AccessibilityGuardTest, RefusedWrites_StillActive_RestoreStillWritesAllThree) {
  g_failingActions = {SPI_SETSTICKYKEYS, SPI_SETTOGGLEKEYS, SPI_SETFILTERKEYS};
  guard_.Disable();
  TakeCalls();
  guard_.Restore();
  EXPECT_EQ(TakeCalls(), kRestoreCalls);
}
