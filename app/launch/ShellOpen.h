#pragma once

#include <string>

#include "app/copies/CopyWishes.h"

// For a PROGRAM that the program registered for it opens (a URL such as
// steam://..., an internet shortcut, a document): has the shell open `file`
// with `parameters` (empty: none). Nothing tells when a game started that way
// ends, nor which windows are its own, so then traces why, lets `entry` want
// the key off whatever is in front, and shows the manual dialog. Returns 0
// once the dialog has ended, or, having shown nothing (no error window of the
// shell's either), why the shell could not open it. Win32Error IDS_MUTEX_ERROR
// from the dialog passes through.
DWORD RunThroughShell(const std::wstring& file, const std::wstring& parameters, CopyEntry& entry);
