// The decisions a copy takes without touching the system, as tables: the role
// it starts in, and whether a new press of a Windows key is swallowed.
#include <gtest/gtest.h>

#include "app/copies/CopyWishes.h"
#include "app/copies/FullScreen.h"
#include "app/copies/StartRole.h"

TEST(StartRole, ALostPrimaryIsSucceededAndABusyRoleDeferredTo) {
  using Claim = PrimaryRole::Claim;
  const struct {
    Claim claim;
    DWORD recorded;
    StartRole role;
  } rows[] = {
      {Claim::Free, 0, StartRole::Primary},
      {Claim::Free, 42, StartRole::Successor},      // gave the role up after a failure
      {Claim::Abandoned, 0, StartRole::Successor},  // died before it recorded itself
      {Claim::Busy, 42, StartRole::Defer},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(ChooseStartRole(row.claim, row.recorded), row.role)
        << static_cast<int>(row.claim) << " " << row.recorded;
  }
}

TEST(CopyWishes, APressIsSwallowedWhenARunningCopyWantsItSo) {
  // What the end-to-end tests cannot stage. Copy 10 runs program 11; copy
  // 20's program 21 has ended, and its family has 22 in it; copies 40 and 50
  // want the task-switching keys off too; copies 60 and 70 (--focus, program
  // 71) want the key off only while a full-screen window is in front.
  // clang-format off
  const CopyWish inFront{10, kWantsKeysOffInFront, 11, false, false},
      done{10, kWantsNothing, 11, false, true}, familyInFront{20, kWantsKeysOffInFront, 21, true, false},
      tasksInFront{40, kWantsKeysOffInFront, 41, false, true}, tasksOff{50, kWantsKeysOff, 51, false, true},
      full{60, kWantsKeysOff, 61, false, false, true}, fullInFront{70, kWantsKeysOffInFront, 71, false, false, true};
  // clang-format on
  constexpr PressKind W = PressKind::WindowsKey, T = PressKind::TaskKey;
  const struct {
    const char* what;
    PressKind kind;
    std::vector<CopyWish> wishes;
    std::vector<DWORD> running;
    DWORD front;
    bool swallowed;
    bool frontFills = false;
  } rows[] = {
      // clang-format off
      {"a copy without a record (Hushpad 1.0)", W, {inFront}, {10, 30}, 0, true},
      {"... asks for no task-switching keys", T, {inFront}, {10, 30}, 0, false},
      {"a copy whose run is over", W, {done, familyInFront}, {10, 20}, 11, false},
      {"... nor any more task-switching keys", T, {done, tasksOff}, {10}, 0, false},
      {"no window in front", W, {inFront}, {10}, 0, false},
      {"a family does not count without --tree", W, {inFront}, {10}, 22, false},
      {"its family with --tree", W, {familyInFront}, {20}, 22, true},
      {"with --tree, PROGRAM's ID once it has ended (given to another)", W, {familyInFront}, {20},
       21, false},
      {"task-switching keys of a copy that does not ask for them", T, {inFront}, {10}, 11, false},
      {"task-switching keys of a copy that asks, its game in front", T, {tasksInFront}, {40}, 41,
       true},
      {"... another window in front", T, {tasksInFront}, {40}, 11, false},
      {"... and one that wants them off whatever is in front", T, {tasksInFront, tasksOff},
       {40, 50}, 11, true},
      {"--full-screen, a full-screen window in front", W, {full}, {60}, 11, true, true},
      {"... none in front", W, {full}, {60}, 11, false},
      {"... beside a copy that wants the key off all the time", W, {full, tasksOff}, {60, 50}, 11, true},
      {"--focus --full-screen, its game full-screen", W, {fullInFront}, {70}, 71, true, true},
      {"... another program full-screen", W, {fullInFront}, {70}, 11, false, true},
      {"... its game not full-screen", W, {fullInFront}, {70}, 71, false},
      // clang-format on
  };
  for (const auto& row : rows) {
    EXPECT_EQ(WantsPressSwallowed(
                  row.kind, row.wishes.data(), row.wishes.size(), row.running.data(),
                  row.running.size(), row.front, row.frontFills,
                  [](const CopyWish& wish, DWORD front) { return wish.copy == 20 && front == 22; }),
              row.swallowed)
        << row.what;
  }
}

TEST(FullScreen, OnlyAClientAreaCoveringItsWholeMonitorFillsIt) {
  constexpr RECT primary{0, 0, 1920, 1080}, second{1920, -200, 3200, 824};
  constexpr WindowKind O = WindowKind::Ordinary, S = WindowKind::Shell;
  const struct {
    const char* what;
    RECT client, monitor;
    WindowKind kind;
    bool fills;
  } rows[] = {
      {"borderless, exactly the monitor", primary, primary, O, true},
      {"exclusive, larger than the monitor", {-8, -31, 1928, 1088}, primary, O, true},
      {"on the second monitor", second, second, O, true},
      {"maximised with a caption (the taskbar hidden)", {0, 23, 1920, 1080}, primary, O, false},
      {"a pixel short on the right", {0, 0, 1919, 1080}, primary, O, false},
      {"a pixel short at the bottom", {0, 0, 1920, 1079}, primary, O, false},
      {"the first monitor's size on the second", primary, second, O, false},
      {"the shell's, covering the monitor", primary, primary, S, false},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(FillsMonitor(row.client, row.monitor, row.kind), row.fills) << row.what;
  }
}
