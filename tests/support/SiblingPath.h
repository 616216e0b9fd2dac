#pragma once

#include <string>

// The full path of `fileName` in the folder of the running executable: the
// test programs find the programs built next to them this way, whatever the
// current directory.
std::wstring SiblingPath(const std::wstring& fileName);
