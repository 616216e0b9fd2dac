#include "app/launch/Shortcut.h"

#include <shlobj.h>
#include <shobjidl.h>

#include <vector>

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
  target.path = path.data();
  target.arguments = arguments.data();
  target.folder = Expanded(folder.data());
  target.runAsAdministrator = (flags & SLDF_RUNAS_USER) != 0;
  return S_OK;
}
