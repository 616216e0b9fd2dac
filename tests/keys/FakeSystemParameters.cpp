#include "FakeSystemParameters.h"

#include <cstring>
#include <iomanip>

namespace fake_system {

STICKYKEYS g_stickyKeys{};
TOGGLEKEYS g_toggleKeys{};
FILTERKEYS g_filterKeys{};
std::set<UINT> g_failingActions;
std::vector<Call> g_calls;

namespace {

template <typename Setting>
BOOL Transfer(bool get, Setting& current, UINT uiParam, PVOID pvParam) {
  auto* given = static_cast<Setting*>(pvParam);
  if (given == nullptr || uiParam != sizeof(Setting) || given->cbSize != sizeof(Setting)) {
    return FALSE;
  }
  if (get) {
    *given = current;
  } else {
    current = *given;
  }
  return TRUE;
}

}  // namespace

std::ostream& operator<<(std::ostream& out, const Call& call) {
  out << "{action 0x" << std::hex << call.action << std::dec << ", uiParam " << call.uiParam
      << ", fWinIni " << call.fWinIni << ", dwFlags";
  if (call.setting.size() >= 8) {
    DWORD flags = 0;
    std::memcpy(&flags, call.setting.data() + 4, sizeof(flags));
    out << " 0x" << std::hex << flags << std::dec;
  }
  return out << ", " << call.setting.size() << " bytes}";
}

STICKYKEYS StickyKeys(DWORD flags) { return {sizeof(STICKYKEYS), flags}; }
TOGGLEKEYS ToggleKeys(DWORD flags) { return {sizeof(TOGGLEKEYS), flags}; }
FILTERKEYS FilterKeys(DWORD flags, DWORD wait, DWORD delay, DWORD repeat, DWORD bounce) {
  return {sizeof(FILTERKEYS), flags, wait, delay, repeat, bounce};
}

void Reset(const STICKYKEYS& sticky, const TOGGLEKEYS& toggle, const FILTERKEYS& filter) {
  g_stickyKeys = sticky;
  g_toggleKeys = toggle;
  g_filterKeys = filter;
  g_failingActions.clear();
  g_calls.clear();
}

BOOL WINAPI SimulatedSystemParametersInfo(UINT action, UINT uiParam, PVOID pvParam, UINT fWinIni) {
  const bool fails = g_failingActions.count(action) != 0;
  BOOL result = FALSE;
  if (!fails) {
    switch (action) {
      case SPI_GETSTICKYKEYS: result = Transfer(true, g_stickyKeys, uiParam, pvParam); break;
      case SPI_SETSTICKYKEYS: result = Transfer(false, g_stickyKeys, uiParam, pvParam); break;
      case SPI_GETTOGGLEKEYS: result = Transfer(true, g_toggleKeys, uiParam, pvParam); break;
      case SPI_SETTOGGLEKEYS: result = Transfer(false, g_toggleKeys, uiParam, pvParam); break;
      case SPI_GETFILTERKEYS: result = Transfer(true, g_filterKeys, uiParam, pvParam); break;
      case SPI_SETFILTERKEYS: result = Transfer(false, g_filterKeys, uiParam, pvParam); break;
      default: break;
    }
  }
  const bool get = action == SPI_GETSTICKYKEYS || action == SPI_GETTOGGLEKEYS ||
                   action == SPI_GETFILTERKEYS;
  std::vector<unsigned char> setting;
  // A failed GET delivers nothing worth recording.
  if (pvParam != nullptr && (!get || result)) {
    const auto* bytes = static_cast<const unsigned char*>(pvParam);
    setting.assign(bytes, bytes + uiParam);
  }
  g_calls.push_back({action, uiParam, std::move(setting), fWinIni});
  if (!result) SetLastError(ERROR_INVALID_PARAMETER);
  return result;
}

}  // namespace fake_system
