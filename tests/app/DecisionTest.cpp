// The decisions a copy takes without touching the system, as tables: the role
// it starts in, and whether a new press of a Windows key is swallowed.
#include <gtest/gtest.h>

#include "app/CopyWishes.h"
#include "app/StartRole.h"

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
  // want the task-switching keys off too.
  // clang-format off
  const CopyWish inFront{10, kWantsKeysOffInFront, 11, false, false},
      done{10, kWantsNothing, 11, false, true}, familyInFront{20, kWantsKeysOffInFront, 21, true, false},
      tasksInFront{40, kWantsKeysOffInFront, 41, false, true}, tasksOff{50, kWantsKeysOff, 51, false, true};
  // clang-format on
  constexpr PressKind W = PressKind::WindowsKey, T = PressKind::TaskKey;
  const struct {
    const char* what;
    PressKind kind;
    std::vector<CopyWish> wishes;
    std::vector<DWORD> running;
    DWORD front;
    bool swallowed;
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
      // clang-format on
  };
  for (const auto& row : rows) {
    EXPECT_EQ(WantsPressSwallowed(
                  row.kind, row.wishes.data(), row.wishes.size(), row.running.data(),
                  row.running.size(), row.front,
                  [](const CopyWish& wish, DWORD front) { return wish.copy == 20 && front == 22; }),
              row.swallowed)
        << row.what;
  }
}
