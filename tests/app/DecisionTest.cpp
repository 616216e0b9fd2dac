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
  // 20's program 21 has ended, and its family has 22 in it.
  const CopyWish inFront{10, kWantsKeyOffInFront, 11, false}, done{10, kWantsNothing, 11, false};
  const CopyWish familyInFront{20, kWantsKeyOffInFront, 21, true};
  const struct {
    const char* what;
    std::vector<CopyWish> wishes;
    std::vector<DWORD> running;
    DWORD front;
    bool swallowed;
  } rows[] = {
      {"a copy without a record (an earlier version)", {inFront}, {10, 30}, 0, true},
      {"a copy whose run is over", {done, familyInFront}, {10, 20}, 11, false},
      {"no window in front", {inFront}, {10}, 0, false},
      {"a family does not count without --tree", {inFront}, {10}, 22, false},
      {"its family with --tree", {familyInFront}, {20}, 22, true},
      {"with --tree, PROGRAM's ID once it has ended (given to another)", {familyInFront}, {20}, 21,
       false},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(
        WantsPressSwallowed(
            row.wishes.data(), row.wishes.size(), row.running.data(), row.running.size(), row.front,
            [](const CopyWish& wish, DWORD front) { return wish.copy == 20 && front == 22; }),
        row.swallowed)
        << row.what;
  }
}
