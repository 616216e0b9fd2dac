#include "app/Shortcut.h"

#include <shlobj.h>
#include <shobjidl.h>

#include <vector>

#include "app/ProgramFilesPath.h"
#include "app/ShellCom.h"

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

// Empty where it is not set.
std::wstring Variable(const wchar_t* name) {
  std::vector<wchar_t> value(kTextSize);
  const DWORD length = GetEnvironmentVariableW(name, value.data(), kTextSize);
  return length >= kTextSize ? std::wstring() : std::wstring(value.data(), length);
}

// The shell expands a shortcut's %ProgramFiles% with this 32-bit program's
// environment: to the 32-bit folder on 64-bit Windows, whatever program saved
// it.
std::wstring PathToStart(const std::wstring& path) {
  const std::vector<ProgramFilesFolders> folders{
      {Variable(L"CommonProgramFiles(x86)"), Variable(L"CommonProgramW6432")},
      {Variable(L"ProgramFiles(x86)"), Variable(L"ProgramW6432")}};
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
