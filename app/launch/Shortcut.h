#pragma once

#include <windows.h>

#include <string>

// What a shortcut (.lnk) starts, as the shell reads it.
struct ShortcutTarget {
  std::wstring path;                // the file it leads to; empty for none (a Store app, a link)
  std::wstring arguments;           // exactly as stored
  std::wstring folder;              // "Start in"; empty for none
  bool runAsAdministrator = false;  // its "Run as administrator" flag
};

// Reads the shortcut `file` through the shell's own interfaces (IShellLinkW,
// IPersistFile, IShellLinkDataList), with the environment strings in its path
// and start folder expanded. A path or folder that a 64-bit program saved in
// the 64-bit Program Files folders, which this 32-bit program reads in the
// 32-bit ones, is the 64-bit one where only that exists. Returns S_OK, or the
// shell's error for a file that cannot be read as a shortcut; `target` is
// then as it was.
HRESULT ReadShortcut(const std::wstring& file, ShortcutTarget& target);
