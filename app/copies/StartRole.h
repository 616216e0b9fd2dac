#pragma once

#include <windows.h>

#include "app/copies/PrimaryRole.h"

// What a starting copy becomes, chosen under the "-app" mutex.
enum class StartRole {
  Primary,    // nobody suppresses the keys: this copy will
  Successor,  // the copy that did ended without handing off: this one takes its place
  Defer,      // another copy suppresses the keys: this one defers to it and watches its role
};

// `claim`: what this copy's PrimaryRole::TryClaim got; `recordedPrimary`: the
// primary process ID in the shared state.
constexpr StartRole ChooseStartRole(PrimaryRole::Claim claim, DWORD recordedPrimary) noexcept {
  if (claim == PrimaryRole::Claim::Busy) return StartRole::Defer;
  // An abandoned role, or a free one that a primary still stands recorded for
  // (it gave the role up after a failed teardown), was lost, not handed off.
  if (claim == PrimaryRole::Claim::Abandoned || recordedPrimary != 0) return StartRole::Successor;
  return StartRole::Primary;
}
