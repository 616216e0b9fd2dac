#pragma once

#include <windows.h>

#include <ostream>
#include <set>
#include <vector>

// A simulated SystemParametersInfoW for the three keyboard accessibility
// settings: GET reads and SET writes the current settings below, as the
// system would (including its cbSize check), and every call is recorded.
namespace fake_system {

struct Call {
  UINT action;
  UINT uiParam;
  std::vector<unsigned char> setting;  // what SET was given or GET delivered
  UINT fWinIni;
  bool operator==(const Call& other) const {
    return action == other.action && uiParam == other.uiParam && setting == other.setting &&
           fWinIni == other.fWinIni;
  }
};
inline std::ostream& operator<<(std::ostream& out, const Call& call) {
  out << "{action 0x" << std::hex << call.action << ", uiParam " << std::dec << call.uiParam
      << ", fWinIni " << call.fWinIni << ", bytes" << std::hex;
  for (unsigned char byte : call.setting) out << ' ' << unsigned{byte};
  return out << std::dec << '}';
}

template <typename Setting>
Call Made(UINT action, const Setting& setting) {
  const auto* bytes = reinterpret_cast<const unsigned char*>(&setting);
  return {action, sizeof(Setting), {bytes, bytes + sizeof(Setting)}, 0};
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
  if (given == nullptr || uiParam != sizeof(Setting) || given->cbSize != sizeof(Setting))
    return FALSE;
  if (get) {
    *given = current;
  } else {
    current = *given;
  }
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
  std::vector<unsigned char> setting;
  if (pvParam != nullptr && (result || !get)) {  // a failed GET delivers nothing worth recording
    const auto* bytes = static_cast<const unsigned char*>(pvParam);
    setting.assign(bytes, bytes + uiParam);
  }
  g_calls.push_back({action, uiParam, std::move(setting), fWinIni});
  if (!result) SetLastError(ERROR_INVALID_PARAMETER);
  return result;
}

}  // namespace fake_system
