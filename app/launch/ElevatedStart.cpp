#include "app/launch/ElevatedStart.h"

#include <shellapi.h>

#include "app/FaultPoints.h"
#include "app/launch/ProcessWatch.h"
#include "app/launch/ShellCom.h"
#include "text/JoinArguments.h"
#include "text/UniqueHandle.h"

namespace {

std::wstring OwnPath() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length < path.size()) return path.substr(0, length);
    path.resize(path.size() * 2);  // cut off: GetModuleFileNameW filled the buffer
  }
}

std::wstring CurrentFolder() {
  std::wstring folder(GetCurrentDirectoryW(0, nullptr), L'\0');
  folder.resize(GetCurrentDirectoryW(static_cast<DWORD>(folder.size()), folder.data()));
  return folder;
}

}  // namespace

TOKEN_ELEVATION_TYPE OwnElevationType() noexcept {
  HANDLE token = nullptr;
  const bool opened = OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token);
  const UniqueHandle owned(opened ? token : nullptr);
  TOKEN_ELEVATION_TYPE elevation{};
  DWORD size = 0;
  const bool read =
      opened && GetTokenInformation(token, TokenElevationType, &elevation, sizeof elevation, &size);
  return HUSHPAD_ELEVATION_TYPE(read ? elevation : TokenElevationTypeDefault);
}

DWORD RunElevatedCopy(const std::vector<std::wstring>& arguments, HWND window) {
  OutputDebugStringW(
      L"Hushpad: PROGRAM needs administrator rights; starting Hushpad as administrator.\n");
  const std::wstring self = OwnPath();
  const std::wstring parameters = JoinArguments(arguments, 0);
  // An elevated program would start in System32 otherwise.
  const std::wstring folder = CurrentFolder();
  SHELLEXECUTEINFOW info{};
  info.cbSize = sizeof info;
  // The UAC prompt is no error window: it shows all the same.
  info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI | SEE_MASK_NOASYNC;
  info.lpVerb = L"runas";
  info.lpFile = self.c_str();
  info.lpParameters = parameters.c_str();
  info.lpDirectory = folder.empty() ? nullptr : folder.c_str();
  info.nShow = SW_SHOWNORMAL;
  {
    const ComApartment com;
    if (!HUSHPAD_SHELL_EXECUTE(&info)) return GetLastError();
  }
  // The launcher that started this copy waits for it: so it waits for the
  // game too.
  const UniqueHandle copy(info.hProcess);
  if (copy) WaitForProcessExit(copy.get(), window);
  return ERROR_SUCCESS;
}
