#pragma once

#include <windows.h>

#include <string>
#include <vector>

// Two folders of 64-bit Windows: where a 32-bit program reads a path that a
// 64-bit program saved through %ProgramFiles% (`wow64`), and where it lies
// (`native`).
struct ProgramFilesFolders {
  std::wstring wow64;   // %CommonProgramFiles(x86)%, %ProgramFiles(x86)%
  std::wstring native;  // %CommonProgramW6432%, %ProgramW6432%; empty on 32-bit Windows
};

// Whether `path` is `folder` or lies in it: equal up to the end of a whole
// name, in any case, as the file system compares them.
inline bool LiesIn(const std::wstring& path, const std::wstring& folder) noexcept {
  const int length = static_cast<int>(folder.size());
  return !folder.empty() && path.size() >= folder.size() &&
         CompareStringOrdinal(path.c_str(), length, folder.c_str(), length, TRUE) == CSTR_EQUAL &&
         (path.size() == folder.size() || path[folder.size()] == L'\\');
}

// The path to start for `path`, a shortcut's target or start folder as this
// 32-bit program read it: `path` itself when it `exists`, or when it lies in
// none of the `wow64` folders; else the same path in the first matching
// `native` folder that exists; else `path`, so that its error names it as the
// shortcut does.
template <typename Exists>
std::wstring ProgramFilesPath(const std::wstring& path,
                              const std::vector<ProgramFilesFolders>& folders, Exists exists) {
  if (exists(path)) return path;
  for (const ProgramFilesFolders& pair : folders) {
    if (pair.native.empty() || !LiesIn(path, pair.wow64)) continue;
    std::wstring native = pair.native + path.substr(pair.wow64.size());
    if (exists(native)) return native;
  }
  return path;
}
