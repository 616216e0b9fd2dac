#include "SiblingPath.h"

#include <windows.h>

#include <algorithm>

std::wstring SiblingPath(const std::wstring& fileName) {
  std::wstring path(32768, L'\0');  // the longest path Windows allows
  path.resize(GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size())));
  return path.substr(0, path.find_last_of(L"\\/") + 1) + fileName;
}

std::wstring BuildPath(const char* path) {
  std::wstring converted(path, path + std::char_traits<char>::length(path));
  std::replace(converted.begin(), converted.end(), L'/', L'\\');
  if (!converted.empty() && converted[0] == L'\\') converted.insert(0, L"Z:");
  return converted;
}
