// Compiled only into the test build HushpadFaults.exe; see FaultPoints.h.
#include "app/FaultPoints.h"

#include <windows.h>

#include <atomic>
#include <cwchar>

bool FaultPointHit(const wchar_t* name) noexcept {
  wchar_t setting[128] = {};
  const DWORD length = GetEnvironmentVariableW(L"HUSHPAD_FAULT", setting, ARRAYSIZE(setting));
  if (length == 0 || length >= ARRAYSIZE(setting)) return false;

  const size_t nameLength = std::wcslen(name);
  if (std::wcsncmp(setting, name, nameLength) != 0 || setting[nameLength] != L':') return false;

  wchar_t* rest = nullptr;
  const unsigned long error = std::wcstoul(setting + nameLength + 1, &rest, 10);
  unsigned long delay = 0;
  unsigned long times = 0;
  if (*rest == L':') delay = std::wcstoul(rest + 1, &rest, 10);
  if (*rest == L':') times = std::wcstoul(rest + 1, nullptr, 10);

  // One setting names one call, so one count serves all fault points.
  static std::atomic<unsigned long> hits{0};
  if (times != 0 && hits++ >= times) return false;

  if (delay != 0) Sleep(delay);
  SetLastError(error);
  return true;
}
