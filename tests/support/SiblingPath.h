#pragma once

#include <string>

// The full path of `fileName` in the folder of the running executable: the
// test programs find the programs built next to them this way, whatever the
// current directory.
std::wstring SiblingPath(const std::wstring& fileName);

// A path that the build passes in (a Unix path when it cross-builds) as
// Windows sees it: under Wine, Unix paths are on drive Z:.
std::wstring BuildPath(const char* path);
