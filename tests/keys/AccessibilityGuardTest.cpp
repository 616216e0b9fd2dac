#include "keys/AccessibilityGuard.h"

#include <gtest/gtest.h>

#include <vector>

#include "FakeSystemParameters.h"

using namespace fake_system;

namespace {

// Every feature off with its hotkey (and the confirmation) enabled, plus other
// bits and FilterKeys timings that must survive untouched.
const STICKYKEYS kStickyOff = StickyKeys(SKF_AVAILABLE | SKF_HOTKEYACTIVE | SKF_CONFIRMHOTKEY |
                                         SKF_HOTKEYSOUND | SKF_INDICATOR | SKF_AUDIBLEFEEDBACK);
const TOGGLEKEYS kToggleOff =
    ToggleKeys(TKF_AVAILABLE | TKF_HOTKEYACTIVE | TKF_CONFIRMHOTKEY | TKF_HOTKEYSOUND);
const FILTERKEYS kFilterOff = FilterKeys(
    FKF_AVAILABLE | FKF_HOTKEYACTIVE | FKF_CONFIRMHOTKEY | FKF_HOTKEYSOUND | FKF_CLICKON, 1000,
    500, 30, 0);

STICKYKEYS WithFlags(STICKYKEYS s, DWORD flags) { s.dwFlags = flags; return s; }
TOGGLEKEYS WithFlags(TOGGLEKEYS s, DWORD flags) { s.dwFlags = flags; return s; }
FILTERKEYS WithFlags(FILTERKEYS s, DWORD flags) { s.dwFlags = flags; return s; }

template <typename Setting>
Setting HotkeyOff(Setting s) { return WithFlags(s, s.dwFlags & ~DWORD{0xC}); }

const std::vector<Call> kRestoreCalls = {Made(SPI_SETSTICKYKEYS, kStickyOff),
                                         Made(SPI_SETTOGGLEKEYS, kToggleOff),
                                         Made(SPI_SETFILTERKEYS, kFilterOff)};

template <typename Setting>
bool SameBytes(const Setting& a, const Setting& b) { return Bytes(a) == Bytes(b); }

class AccessibilityGuardTest : public ::testing::Test {
 protected:
  void SetUp() override { Reset(kStickyOff, kToggleOff, kFilterOff); }
  // Returns the calls made so far and forgets them.
  static std::vector<Call> TakeCalls() { return std::exchange(g_calls, {}); }
};

}  // namespace

TEST_F(AccessibilityGuardTest, AllOff_DisableClearsOnlyTheHotkeyBits_RestoreWritesTheSavedOnesBack) {
  AccessibilityGuard guard(&SimulatedSystemParametersInfo);
  guard.Disable();
  EXPECT_EQ(TakeCalls(), (std::vector<Call>{
                             Made(SPI_GETSTICKYKEYS, kStickyOff),
                             Made(SPI_GETTOGGLEKEYS, kToggleOff),
                             Made(SPI_GETFILTERKEYS, kFilterOff),
                             Made(SPI_SETSTICKYKEYS, HotkeyOff(kStickyOff)),
                             Made(SPI_SETTOGGLEKEYS, HotkeyOff(kToggleOff)),
                             Made(SPI_SETFILTERKEYS, HotkeyOff(kFilterOff)),
                         }));
  EXPECT_TRUE(SameBytes(g_filterKeys, HotkeyOff(kFilterOff))) << "timings kept";

  guard.Restore();
  EXPECT_EQ(TakeCalls(), kRestoreCalls);
  EXPECT_TRUE(SameBytes(g_stickyKeys, kStickyOff));
  EXPECT_TRUE(SameBytes(g_toggleKeys, kToggleOff));
  EXPECT_TRUE(SameBytes(g_filterKeys, kFilterOff));
}

TEST_F(AccessibilityGuardTest, FeatureSwitchedOn_KeepsItsHotkey_YetIsWrittenBackAtRestore) {
  const STICKYKEYS stickyOn = WithFlags(kStickyOff, kStickyOff.dwFlags | SKF_STICKYKEYSON);
  const FILTERKEYS filterOn = WithFlags(kFilterOff, kFilterOff.dwFlags | FKF_FILTERKEYSON);
  Reset(stickyOn, kToggleOff, filterOn);
  AccessibilityGuard guard(&SimulatedSystemParametersInfo);
  guard.Disable();
  EXPECT_EQ(TakeCalls(), (std::vector<Call>{
                             Made(SPI_GETSTICKYKEYS, stickyOn),
                             Made(SPI_GETTOGGLEKEYS, kToggleOff),
                             Made(SPI_GETFILTERKEYS, filterOn),
                             Made(SPI_SETTOGGLEKEYS, HotkeyOff(kToggleOff)),
                         }));
  guard.Restore();
  EXPECT_EQ(TakeCalls(), (std::vector<Call>{Made(SPI_SETSTICKYKEYS, stickyOn),
                                            Made(SPI_SETTOGGLEKEYS, kToggleOff),
                                            Made(SPI_SETFILTERKEYS, filterOn)}));
}

TEST_F(AccessibilityGuardTest, RepeatedOrUnpairedCalls_TouchNothing) {
  AccessibilityGuard guard(&SimulatedSystemParametersInfo);
  guard.Restore();
  EXPECT_TRUE(TakeCalls().empty()) << "Restore without Disable";

  guard.Disable();
  TakeCalls();
  g_stickyKeys = StickyKeys(SKF_STICKYKEYSON);
  guard.Disable();
  EXPECT_TRUE(TakeCalls().empty()) << "second Disable";

  guard.Restore();
  EXPECT_EQ(TakeCalls(), kRestoreCalls) << "the values of the first Disable stay saved";
  guard.Restore();
  EXPECT_TRUE(TakeCalls().empty()) << "second Restore";
}

TEST_F(AccessibilityGuardTest, SettingChangedWhileActive_IsOverwrittenWithTheSavedOne) {
  AccessibilityGuard guard(&SimulatedSystemParametersInfo);
  guard.Disable();
  g_toggleKeys = ToggleKeys(TKF_TOGGLEKEYSON | TKF_HOTKEYACTIVE);
  guard.Restore();
  EXPECT_TRUE(SameBytes(g_toggleKeys, kToggleOff));
}

TEST_F(AccessibilityGuardTest, DisableAfterRestore_SavesTheSettingsAnew) {
  AccessibilityGuard guard(&SimulatedSystemParametersInfo);
  guard.Disable();
  guard.Restore();
  const TOGGLEKEYS changed = ToggleKeys(TKF_AVAILABLE | TKF_HOTKEYACTIVE | TKF_INDICATOR);
  g_toggleKeys = changed;
  guard.Disable();
  TakeCalls();
  guard.Restore();
  EXPECT_EQ(TakeCalls()[1], Made(SPI_SETTOGGLEKEYS, changed));
}

TEST_F(AccessibilityGuardTest, FailedRead_LeavesThatFeatureAloneInDisableAndRestore) {
  g_failingActions = {SPI_GETTOGGLEKEYS};
  AccessibilityGuard guard(&SimulatedSystemParametersInfo);
  guard.Disable();
  EXPECT_EQ(TakeCalls(), (std::vector<Call>{
                             Made(SPI_GETSTICKYKEYS, kStickyOff),
                             {SPI_GETTOGGLEKEYS, sizeof(TOGGLEKEYS), {}, 0},
                             Made(SPI_GETFILTERKEYS, kFilterOff),
                             Made(SPI_SETSTICKYKEYS, HotkeyOff(kStickyOff)),
                             Made(SPI_SETFILTERKEYS, HotkeyOff(kFilterOff)),
                         }));
  guard.Restore();
  EXPECT_EQ(TakeCalls(), (std::vector<Call>{Made(SPI_SETSTICKYKEYS, kStickyOff),
                                            Made(SPI_SETFILTERKEYS, kFilterOff)}));
  EXPECT_TRUE(SameBytes(g_toggleKeys, kToggleOff));

  // With every read failing the guard still becomes active, writes nothing,
  // and a later successful cycle works normally.
  g_failingActions = {SPI_GETSTICKYKEYS, SPI_GETTOGGLEKEYS, SPI_GETFILTERKEYS};
  guard.Disable();
  EXPECT_EQ(TakeCalls().size(), 3u);
  guard.Disable();
  EXPECT_TRUE(TakeCalls().empty()) << "active despite the failed reads";
  guard.Restore();
  EXPECT_TRUE(TakeCalls().empty());
  g_failingActions.clear();
  guard.Disable();
  guard.Restore();
  EXPECT_EQ(std::vector<Call>(g_calls.end() - 3, g_calls.end()), kRestoreCalls);
}

TEST_F(AccessibilityGuardTest, RefusedWrites_StillActive_RestoreStillWritesAllThree) {
  g_failingActions = {SPI_SETSTICKYKEYS, SPI_SETTOGGLEKEYS, SPI_SETFILTERKEYS};
  AccessibilityGuard guard(&SimulatedSystemParametersInfo);
  guard.Disable();
  EXPECT_TRUE(SameBytes(g_stickyKeys, kStickyOff)) << "the refused write changed nothing";
  TakeCalls();
  guard.Restore();
  EXPECT_EQ(TakeCalls(), kRestoreCalls);
}

TEST_F(AccessibilityGuardTest, Destructor_RestoresAnActiveGuardOnly) {
  {
    AccessibilityGuard guard(&SimulatedSystemParametersInfo);
  }
  EXPECT_TRUE(TakeCalls().empty());
  {
    AccessibilityGuard guard(&SimulatedSystemParametersInfo);
    guard.Disable();
    TakeCalls();
  }
  EXPECT_EQ(TakeCalls(), kRestoreCalls);
}
