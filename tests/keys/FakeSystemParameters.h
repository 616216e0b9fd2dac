#pragma once

#include <windows.h>

#include <set>
#include <utility>
#include <vector>

// A simulated SystemParametersInfoW for the three keyboard accessibility
// settings: GET reads and SET writes the current settings below, as the
// system would (including its cbSize check), and every call is recorded.
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
inline STICKYKEYS g_stickyKeys{};
inline TOGGLEKEYS g_toggleKeys{};
inline FILTERKEYS g_filterKeys{};
inline std::set<UINT> g_failingActions;  // these actions fail and change nothing
inline std::vector<Call> g_calls;

// Sets the current settings and forgets calls and failures.
inline void Reset(const STICKYKEYS& sticky, const TOGGLEKEYS& toggle, const FILTERKEYS& filter) {
  g_stickyKeys = sticky;
  g_toggleKeys = toggle;
  g_filterKeys = filter;
  g_failingActions.clear();
  g_calls.clear();
}

template <typename Setting>
BOOL Transfer(bool get, Setting& current, UINT uiParam, PVOID pvParam) {
  auto* given = static_cast<Setting*>(pvParam);
  if (!given || uiParam != sizeof(Setting) || given->cbSize != sizeof(Setting)) return FALSE;
  get ? *given = current : current = *given;
  return TRUE;
}

inline BOOL WINAPI SimulatedSystemParametersInfo(UINT action, UINT uiParam, PVOID pvParam,
                                                 UINT fWinIni) {
  const bool get =
      action == SPI_GETSTICKYKEYS || action == SPI_GETTOGGLEKEYS || action == SPI_GETFILTERKEYS;
  BOOL result = FALSE;
  if (g_failingActions.count(action) == 0) {
    if (action == SPI_GETSTICKYKEYS || action == SPI_SETSTICKYKEYS) {
      result = Transfer(get, g_stickyKeys, uiParam, pvParam);
    } else if (action == SPI_GETTOGGLEKEYS || action == SPI_SETTOGGLEKEYS) {
      result = Transfer(get, g_toggleKeys, uiParam, pvParam);
    } else if (action == SPI_GETFILTERKEYS || action == SPI_SETFILTERKEYS) {
      result = Transfer(get, g_filterKeys, uiParam, pvParam);
    }
  }
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
