#pragma once

#include <windows.h>

#include <cstdarg>
#include <string>

// Side flags of TrimWhitespace; TrimLeading | TrimTrailing trims both ends.
enum TrimSide : unsigned { TrimLeading = 1, TrimTrailing = 2 };

// text without its leading and/or trailing whitespace, as the C runtime's
// iswspace classifies it, which is also the classic locale's
// std::ctype<wchar_t> answer (tab, line feed, vertical tab, form feed,
// carriage return, space, no-break space and the other Unicode spaces). With
// no flag the text comes back unchanged; an all-whitespace text trimmed at
// either end becomes empty.
std::wstring TrimWhitespace(const std::wstring& text, unsigned sides);

// printf-style formatting of `args` with the runtime's wide printf family in
// its Microsoft form, where %s takes a UTF-16 string (and %hs a narrow one).
// Throws std::runtime_error("Error formatting string.") for a format the
// runtime rejects; allocation failures propagate as std::bad_alloc.
std::wstring FormatPrintfV(const wchar_t* format, va_list args);

// Formats one trace line like FormatPrintfV and writes it to the debugger with
// OutputDebugStringW. Never throws: a line that cannot be formatted is not
// written, since tracing must not end the run (it is also called from the
// thread that watches a process).
void DebugTrace(const wchar_t* format, ...) noexcept;

// text, in code page codePage (for example CP_ACP), converted to UTF-16. An
// empty text gives an empty string. Throws
// std::runtime_error("Error converting string.") when the conversion fails.
std::wstring ToWideString(const std::string& text, UINT codePage);
