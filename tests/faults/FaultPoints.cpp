// The fault points of the test build HushpadFaults.exe, and nothing else:
// see app/FaultPoints.h.
#include "app/FaultPoints.h"

#include <atomic>
#include <cwchar>
#include <string>

#include "SimulatedAccessibility.h"

namespace {

struct FaultSetting {
  unsigned long error = 0;
  unsigned long delay = 0;
  unsigned long times = 0;
  size_t index = 0;  // its place among the settings, each with a count of its own
};
constexpr size_t kMaxSettings = 8;

// Whether HUSHPAD_FAULT names `name`, and how.
bool ReadSetting(const wchar_t* name, FaultSetting& fault) noexcept {
  wchar_t settings[256] = {};
  const DWORD length = GetEnvironmentVariableW(kFaultVariable, settings, ARRAYSIZE(settings));
  if (length == 0 || length >= ARRAYSIZE(settings)) return false;
  const size_t nameLength = std::wcslen(name);
  wchar_t* setting = settings;
  for (fault.index = 0; fault.index < kMaxSettings; ++fault.index) {
    if (std::wcsncmp(setting, name, nameLength) == 0 && setting[nameLength] == L':') {
      wchar_t* rest = nullptr;
      fault.error = std::wcstoul(setting + nameLength + 1, &rest, 10);
      if (*rest == L':') fault.delay = std::wcstoul(rest + 1, &rest, 10);
      if (*rest == L':') fault.times = std::wcstoul(rest + 1, nullptr, 10);
      return true;
    }
    setting = std::wcschr(setting, L',');
    if (!setting++) return false;
  }
  return false;
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
  static std::atomic<unsigned long> hits[kMaxSettings];
  if (fault.times != 0 && hits[fault.index]++ >= fault.times) return false;
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

TOKEN_ELEVATION_TYPE FaultElevationType(TOKEN_ELEVATION_TYPE actual) noexcept {
  const DWORD level = FaultIntegrityLevel(MAXDWORD);
  if (level == MAXDWORD) return actual;
  return level >= SECURITY_MANDATORY_HIGH_RID ? TokenElevationTypeFull : TokenElevationTypeLimited;
}

BOOL WINAPI FaultShellExecute(SHELLEXECUTEINFOW* info) noexcept {
  const auto text = [](const wchar_t* given) { return given ? given : L""; };
  const std::wstring trace = std::wstring(L"HushpadFaults: ShellExecuteExW(") + text(info->lpVerb) +
                             L", " + text(info->lpFile) + L", " + text(info->lpParameters) + L")\n";
  OutputDebugStringW(trace.c_str());
  if (FaultPointHit(L"ShellExecuteExW")) return FALSE;
  if (std::wcscmp(text(info->lpVerb), L"runas") != 0) return ShellExecuteExW(info);
  // The copy's own environment, without its faults, at the high level.
  std::wstring environment;
  wchar_t* own = GetEnvironmentStringsW();
  for (const wchar_t* entry = own; *entry; entry += std::wcslen(entry) + 1) {
    const std::wstring name(entry, std::wcscspn(entry + 1, L"=") + 1);  // "=C:" names begin so
    if (name != kFaultVariable && name != kIntegrityVariable) environment.append(entry) += L'\0';
  }
  FreeEnvironmentStringsW(own);
  environment += L"HUSHPAD_INTEGRITY=" + std::to_wstring(SECURITY_MANDATORY_HIGH_RID) + L'\0';
  wchar_t system[MAX_PATH] = {};
  GetSystemDirectoryW(system, MAX_PATH);
  std::wstring commandLine = L"\"" + std::wstring(info->lpFile) + L"\" " + text(info->lpParameters);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION started{};
  if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE,
                      CREATE_UNICODE_ENVIRONMENT, environment.data(),
                      info->lpDirectory ? info->lpDirectory : system, &startup, &started)) {
    return FALSE;
  }
  CloseHandle(started.hThread);
  if (info->fMask & SEE_MASK_NOCLOSEPROCESS) {
    info->hProcess = started.hProcess;
  } else {
    CloseHandle(started.hProcess);
  }
  return TRUE;
}
