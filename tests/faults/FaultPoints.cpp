// The fault points of the test build HushpadFaults.exe, and nothing else:
// see app/FaultPoints.h.
#include "app/FaultPoints.h"

#include <atomic>
#include <cwchar>

#include "SimulatedAccessibility.h"

namespace {

struct FaultSetting {
  unsigned long error = 0;
  unsigned long delay = 0;
  unsigned long times = 0;
};

// Whether HUSHPAD_FAULT names `name`, and how.
bool ReadSetting(const wchar_t* name, FaultSetting& fault) noexcept {
  wchar_t setting[128] = {};
  const DWORD length = GetEnvironmentVariableW(kFaultVariable, setting, ARRAYSIZE(setting));
  if (length == 0 || length >= ARRAYSIZE(setting)) return false;
  const size_t nameLength = std::wcslen(name);
  if (std::wcsncmp(setting, name, nameLength) != 0 || setting[nameLength] != L':') return false;
  wchar_t* rest = nullptr;
  fault.error = std::wcstoul(setting + nameLength + 1, &rest, 10);
  if (*rest == L':') fault.delay = std::wcstoul(rest + 1, &rest, 10);
  if (*rest == L':') fault.times = std::wcstoul(rest + 1, nullptr, 10);
  return true;
}

// The simulated system, in the section the tests create.
SimulatedAccessibility* SimulatedSystem() noexcept {
  static SimulatedAccessibility* const system = []() -> SimulatedAccessibility* {
    wchar_t name[128] = {};
    const DWORD length = GetEnvironmentVariableW(kSettingsVariable, name, ARRAYSIZE(name));
    if (length == 0 || length >= ARRAYSIZE(name)) return nullptr;
    HANDLE section = OpenFileMappingW(FILE_MAP_WRITE, FALSE, name);
    if (!section) return nullptr;
    // Mapped for the life of the process.
    return static_cast<SimulatedAccessibility*>(
        MapViewOfFile(section, FILE_MAP_WRITE, 0, 0, sizeof(SimulatedAccessibility)));
  }();
  return system;
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
  SimulatedAccessibility* system = SimulatedSystem();
  const std::optional<BOOL> simulated =
      system ? SimulateSystemParameters(*system, action, uiParam, pvParam, fWinIni) : std::nullopt;
  return simulated ? *simulated : SystemParametersInfoW(action, uiParam, pvParam, fWinIni);
}

DWORD FaultIntegrityLevel(DWORD actual) noexcept {
  wchar_t level[16] = {};
  const DWORD length = GetEnvironmentVariableW(kIntegrityVariable, level, ARRAYSIZE(level));
  if (length == 0 || length >= ARRAYSIZE(level)) return actual;
  return std::wcstoul(level, nullptr, 10);
}
