#include "app/launch/Shortcut.h"

#include <shlobj.h>
#include <shobjidl.h>

#include <vector>

#include "app/launch/ProgramFilesPath.h"
#include "app/launch/ShellCom.h"

namespace {

// Room for the longest path and command line there is.
constexpr DWORD kTextSize = 32768;

std::wstring FullPath(const std::wstring& file) {
  std::vector<wchar_t> full(kTextSize);
  const DWORD length = GetFullPathNameW(file.c_str(), kTextSize, full.data(), nullptr);
  return length == 0 || length >= kTextSize ? file : std::wstring(full.data(), length);
}

std::wstring Expanded(const wchar_t* text) {
  std::vector<wchar_t> expanded(kTextSize);
  const DWORD length = ExpandEnvironmentStringsW(text, expanded.data(), kTextSize);
  return length == 0 || length > kTextSize ? text : expanded.data();
}

// A folder of the environment's %ProgramW6432% family, from where Windows
// keeps them; empty where it has none (32-bit Windows: no 64-bit folders).
std::wstring ProgramFilesFolder(const wchar_t* value) {
  std::vector<wchar_t> folder(kTextSize);
  DWORD size = kTextSize * sizeof(wchar_t);
  return RegGetValueW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion", value,
                      RRF_RT_REG_SZ | RRF_SUBKEY_WOW6464KEY, nullptr, folder.data(),
                      &size) == ERROR_SUCCESS
             ? folder.data()
             : std::wstring();
}

// The shell expands a shortcut's %ProgramFiles% as this 32-bit program sees
// it: the 32-bit folder on 64-bit Windows, whatever program saved it.
std::wstring PathToStart(const std::wstring& path) {
  const std::vector<ProgramFilesFolders> folders{
      {ProgramFilesFolder(L"CommonFilesDir (x86)"), ProgramFilesFolder(L"CommonW6432Dir")},
      {ProgramFilesFolder(L"ProgramFilesDir (x86)"), ProgramFilesFolder(L"ProgramW6432Dir")}};
  return ProgramFilesPath(path, folders, [](const std::wstring& file) {
    return GetFileAttributesW(file.c_str()) != INVALID_FILE_ATTRIBUTES;
  });
}

}  // namespace

HRESULT ReadShortcut(const std::wstring& file, ShortcutTarget& target) {
  const ComApartment com;
  ComPointer<IShellLinkW> link;
  ComPointer<IPersistFile> stored;
  ComPointer<IShellLinkDataList> data;
  std::vector<wchar_t> path(kTextSize), arguments(kTextSize), folder(kTextSize);
  DWORD flags = 0;
  HRESULT result =
      CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, link.put());
  if (SUCCEEDED(result)) result = link->QueryInterface(IID_IPersistFile, stored.put());
  // It takes an absolute path only.
  if (SUCCEEDED(result)) result = stored->Load(FullPath(file).c_str(), STGM_READ);
  // S_FALSE, and an empty path, for a shortcut to no file.
  if (SUCCEEDED(result)) result = link->GetPath(path.data(), kTextSize, nullptr, 0);
  if (SUCCEEDED(result)) result = link->GetArguments(arguments.data(), kTextSize);
  if (SUCCEEDED(result)) result = link->GetWorkingDirectory(folder.data(), kTextSize);
  if (SUCCEEDED(result)) result = link->QueryInterface(IID_IShellLinkDataList, data.put());
  if (SUCCEEDED(result)) result = data->GetFlags(&flags);
  if (FAILED(result)) return result;
  target.path = PathToStart(path.data());
  target.arguments = arguments.data();
  target.folder = PathToStart(Expanded(folder.data()));
  target.runAsAdministrator = (flags & SLDF_RUNAS_USER) != 0;
  return S_OK;
}
