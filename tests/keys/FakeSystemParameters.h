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
std::ostream& operator<<(std::ostream& out, const Call& call);

template <typename Setting>
Call Made(UINT action, const Setting& setting) {
  const auto* bytes = reinterpret_cast<const unsigned char*>(&setting);
  return {action, sizeof(Setting), {bytes, bytes + sizeof(Setting)}, 0};
}

// The system's state.
extern STICKYKEYS g_stickyKeys;
extern TOGGLEKEYS g_toggleKeys;
extern FILTERKEYS g_filterKeys;
extern std::set<UINT> g_failingActions;  // these actions fail and change nothing
extern std::vector<Call> g_calls;

// Sets the current settings and forgets calls and failures.
void Reset(const STICKYKEYS& sticky, const TOGGLEKEYS& toggle, const FILTERKEYS& filter);

BOOL WINAPI SimulatedSystemParametersInfo(UINT action, UINT uiParam, PVOID pvParam, UINT fWinIni);

}  // namespace fake_system
