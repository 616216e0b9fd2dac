#pragma once

#include <windows.h>

#include <set>
#include <utility>
#include <vector>

#include "tests/faults/SimulatedAccessibility.h"

// A simulated SystemParametersInfoW for the three keyboard accessibility
// settings, whose every call is recorded.
namespace fake_system {

// A call: its action, uiParam, fWinIni, then the bytes SET was given or GET
// delivered (none for a failed GET).
using Call = std::vector<unsigned>;

template <typename Setting>
Call Made(UINT action, const Setting& setting) {
  const auto* bytes = reinterpret_cast<const unsigned char*>(&setting);
  Call call{action, sizeof(Setting), 0};
  call.insert(call.end(), bytes, bytes + sizeof(Setting));
  return call;
}

// The system's state.
inline SimulatedAccessibility g_system{};
inline std::set<UINT> g_failingActions;  // these actions fail and change nothing
inline std::vector<Call> g_calls;

// Sets the current settings and forgets calls and failures.
inline void Reset(const STICKYKEYS& sticky, const TOGGLEKEYS& toggle, const FILTERKEYS& filter) {
  g_system = {sticky, toggle, filter};
  g_failingActions.clear();
  g_calls.clear();
}

inline BOOL WINAPI SimulatedSystemParametersInfo(UINT action, UINT uiParam, PVOID pvParam,
                                                 UINT fWinIni) {
  const bool get =
      action == SPI_GETSTICKYKEYS || action == SPI_GETTOGGLEKEYS || action == SPI_GETFILTERKEYS;
  const BOOL result = g_failingActions.count(action) == 0 &&
                      SimulateSystemParameters(g_system, action, uiParam, pvParam).value_or(FALSE);
  Call call{action, uiParam, fWinIni};
  if (pvParam && (result || !get)) {
    const auto* bytes = static_cast<const unsigned char*>(pvParam);
    call.insert(call.end(), bytes, bytes + uiParam);
  }
  g_calls.push_back(std::move(call));
  if (!result) SetLastError(ERROR_INVALID_PARAMETER);
  return result;
}

}  // namespace fake_system
