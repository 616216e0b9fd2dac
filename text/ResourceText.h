#pragma once

#include <windows.h>

#include <cstdarg>
#include <string>

// Text of string-table entry id of module (null: the program's own), or an
// empty string when there is no such entry. Entries of any length are loaded
// whole. Allocation failures propagate as std::bad_alloc.
std::wstring LoadResourceString(HMODULE module, UINT id);

// Expands the %1, %2, ... inserts of format with FormatMessageW; each insert
// is a const wchar_t * taken from args in order, and the caller passes at
// least as many as the format uses. Inserts are copied as they are, never
// read as a format. The format's line feeds come out as CR LF (FormatMessageW
// writes its line breaks that way), those inside inserts unchanged. Returns an
// empty string when FormatMessageW fails or has nothing to store.
std::wstring FormatInserts(const wchar_t* format, va_list args);

// LoadResourceString of id and module, expanded by FormatInserts with args. A
// missing entry gives an empty string.
std::wstring FormatResourceMessageV(UINT id, HMODULE module, va_list args);

// FormatResourceMessageV with the inserts (const wchar_t *) given directly.
// Never throws: any failure, allocation included, gives an empty string.
std::wstring FormatResourceMessage(UINT id, HMODULE module, ...) noexcept;
