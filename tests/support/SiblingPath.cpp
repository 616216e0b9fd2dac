#include "SiblingPath.h"

#include <windows.h>

std::wstring SiblingPath(const std::wstring& fileName) {
  std::wstring path(32768, L'\0');  // the longest path Windows allows
  path.resize(GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size())));
  return path.substr(0, path.find_last_of(L"\\/") + 1) + fileName;
}
