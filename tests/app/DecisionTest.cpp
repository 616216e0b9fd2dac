// The decisions a copy takes without touching the system, as tables: the role
// it starts in, and whether a new press of a Windows key is swallowed.
#include <gtest/gtest.h>

#include "app/CopyWishes.h"
#include "app/StartRole.h"

TEST(StartRole, EveryCombinationOfClaimRecordAndOtherCopy) {
  using Claim = PrimaryRole::Claim;
  const struct {
    Claim claim;
    DWORD recorded;
    bool otherCopy;
    StartRole role;
  } rows[] = {
      {Claim::Free, 0, false, StartRole::Primary},
      {Claim::Free, 0, true, StartRole::DeferWithoutRole},  // only earlier versions run
      {Claim::Free, 42, false, StartRole::Successor},       // gave the role up after a failure
      {Claim::Free, 42, true, StartRole::Successor},
      {Claim::Abandoned, 0, false, StartRole::Successor},  // died before it recorded itself
      {Claim::Abandoned, 0, true, StartRole::Successor},
      {Claim::Abandoned, 42, false, StartRole::Successor},
      {Claim::Abandoned, 42, true, StartRole::Successor},
      {Claim::Busy, 0, false, StartRole::Defer},
      {Claim::Busy, 0, true, StartRole::Defer},
      {Claim::Busy, 42, false, StartRole::Defer},
      {Claim::Busy, 42, true, StartRole::Defer},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(ChooseStartRole(row.claim, row.recorded, row.otherCopy), row.role)
        << static_cast<int>(row.claim) << " " << row.recorded << " " << row.otherCopy;
  }
}

TEST(CopyWishes, APressIsSwallowedWhenARunningCopyWantsItSo) {
  // What the end-to-end tests cannot stage. Copy 10 runs program 11; copy
  // 20's family has 22 in it.
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
      {"its program with --tree", {familyInFront}, {20}, 21, true},
      {"its family with --tree", {familyInFront}, {20}, 22, true},
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
