// Compiled only into the test build HushpadFaults.exe; see FaultPoints.h.
#include "app/FaultPoints.h"

#include <atomic>
#include <cwchar>

namespace {

struct FaultSetting {
  unsigned long error = 0;
  unsigned long delay = 0;
  unsigned long times = 0;
};

// Whether HUSHPAD_FAULT names `name`, and how.
bool ReadSetting(const wchar_t* name, FaultSetting& fault) noexcept {
  wchar_t setting[128] = {};
  const DWORD length = GetEnvironmentVariableW(L"HUSHPAD_FAULT", setting, ARRAYSIZE(setting));
  if (length == 0 || length >= ARRAYSIZE(setting)) return false;
  const size_t nameLength = std::wcslen(name);
  if (std::wcsncmp(setting, name, nameLength) != 0 || setting[nameLength] != L':') return false;
  wchar_t* rest = nullptr;
  fault.error = std::wcstoul(setting + nameLength + 1, &rest, 10);
  if (*rest == L':') fault.delay = std::wcstoul(rest + 1, &rest, 10);
  if (*rest == L':') fault.times = std::wcstoul(rest + 1, nullptr, 10);
  return true;
}

// The simulated system's settings, in the section the tests create.
struct SimulatedSettings {
  STICKYKEYS stickyKeys;
  TOGGLEKEYS toggleKeys;
  FILTERKEYS filterKeys;
};

SimulatedSettings* SimulatedSystem() noexcept {
  static SimulatedSettings* const settings = []() -> SimulatedSettings* {
    wchar_t name[128] = {};
    const DWORD length = GetEnvironmentVariableW(L"HUSHPAD_SETTINGS", name, ARRAYSIZE(name));
    if (length == 0 || length >= ARRAYSIZE(name)) return nullptr;
    HANDLE section = OpenFileMappingW(FILE_MAP_WRITE, FALSE, name);
    if (!section) return nullptr;
    // Mapped for the life of the process.
    return static_cast<SimulatedSettings*>(
        MapViewOfFile(section, FILE_MAP_WRITE, 0, 0, sizeof(SimulatedSettings)));
  }();
  return settings;
}

template <typename Setting>
BOOL Transfer(bool get, Setting& current, UINT uiParam, PVOID pvParam) noexcept {
  auto* given = static_cast<Setting*>(pvParam);
  if (!given || uiParam != sizeof(Setting) || given->cbSize != sizeof(Setting)) return FALSE;
  if (get) {
    *given = current;
  } else {
    current = *given;
  }
  return TRUE;
}

}  // namespace

bool FaultPointHit(const wchar_t* name) noexcept {
  FaultSetting fault;
  if (!ReadSetting(name, fault)) return false;
  // One setting names one call, so one count serves all fault points.
  static std::atomic<unsigned long> hits{0};
  if (fault.times != 0 && hits++ >= fault.times) return false;
  if (fault.delay != 0) Sleep(fault.delay);
  SetLastError(fault.error);
  return true;
}

void PausePointHit(const wchar_t* name) noexcept {
  FaultSetting fault;
  if (ReadSetting(name, fault)) Sleep(fault.delay);
}

BOOL WINAPI FaultSystemParameters(UINT action, UINT uiParam, PVOID pvParam, UINT fWinIni) noexcept {
  SimulatedSettings* system = SimulatedSystem();
  if (!system) return SystemParametersInfoW(action, uiParam, pvParam, fWinIni);
  switch (action) {
    case SPI_GETSTICKYKEYS:
    case SPI_SETSTICKYKEYS:
      return Transfer(action == SPI_GETSTICKYKEYS, system->stickyKeys, uiParam, pvParam);
    case SPI_GETTOGGLEKEYS:
    case SPI_SETTOGGLEKEYS:
      return Transfer(action == SPI_GETTOGGLEKEYS, system->toggleKeys, uiParam, pvParam);
    case SPI_GETFILTERKEYS:
    case SPI_SETFILTERKEYS:
      return Transfer(action == SPI_GETFILTERKEYS, system->filterKeys, uiParam, pvParam);
    default:
      return SystemParametersInfoW(action, uiParam, pvParam, fWinIni);
  }
}

DWORD FaultIntegrityLevel(DWORD actual) noexcept {
  wchar_t level[16] = {};
  const DWORD length = GetEnvironmentVariableW(L"HUSHPAD_INTEGRITY", level, ARRAYSIZE(level));
  if (length == 0 || length >= ARRAYSIZE(level)) return actual;
  return std::wcstoul(level, nullptr, 10);
}
