#include "FakeSystemParameters.h"

namespace fake_system {

STICKYKEYS g_stickyKeys{};
TOGGLEKEYS g_toggleKeys{};
FILTERKEYS g_filterKeys{};
std::set<UINT> g_failingActions;
std::vector<Call> g_calls;

namespace {

template <typename Setting>
BOOL Transfer(UINT action, UINT getAction, Setting& current, UINT uiParam, PVOID pvParam) {
  auto* given = static_cast<Setting*>(pvParam);
  if (given == nullptr || uiParam != sizeof(Setting) || given->cbSize != sizeof(Setting)) return FALSE;
  if (action == getAction) {
    *given = current;
  } else {
    current = *given;
  }
  return TRUE;
}

}  // namespace

std::ostream& operator<<(std::ostream& out, const Call& call) {
  out << "{action 0x" << std::hex << call.action << ", uiParam " << std::dec << call.uiParam
      << ", fWinIni " << call.fWinIni << ", bytes" << std::hex;
  for (unsigned char byte : call.setting) out << ' ' << unsigned{byte};
  return out << std::dec << '}';
}

void Reset(const STICKYKEYS& sticky, const TOGGLEKEYS& toggle, const FILTERKEYS& filter) {
  g_stickyKeys = sticky;
  g_toggleKeys = toggle;
  g_filterKeys = filter;
  g_failingActions.clear();
  g_calls.clear();
}

BOOL WINAPI SimulatedSystemParametersInfo(UINT action, UINT uiParam, PVOID pvParam, UINT fWinIni) {
  BOOL result = FALSE;
  if (g_failingActions.count(action) == 0) {
    switch (action) {
      case SPI_GETSTICKYKEYS:
      case SPI_SETSTICKYKEYS:
        result = Transfer(action, SPI_GETSTICKYKEYS, g_stickyKeys, uiParam, pvParam);
        break;
      case SPI_GETTOGGLEKEYS:
      case SPI_SETTOGGLEKEYS:
        result = Transfer(action, SPI_GETTOGGLEKEYS, g_toggleKeys, uiParam, pvParam);
        break;
      case SPI_GETFILTERKEYS:
      case SPI_SETFILTERKEYS:
        result = Transfer(action, SPI_GETFILTERKEYS, g_filterKeys, uiParam, pvParam);
        break;
      default: break;
    }
  }
  std::vector<unsigned char> setting;
  // A failed GET delivers nothing worth recording.
  const bool get = action == SPI_GETSTICKYKEYS || action == SPI_GETTOGGLEKEYS || action == SPI_GETFILTERKEYS;
  if (pvParam != nullptr && (result || !get)) {
    const auto* bytes = static_cast<const unsigned char*>(pvParam);
    setting.assign(bytes, bytes + uiParam);
  }
  g_calls.push_back({action, uiParam, std::move(setting), fWinIni});
  if (!result) SetLastError(ERROR_INVALID_PARAMETER);
  return result;
}

}  // namespace fake_system
