#include "text/TextUtil.h"

#include <cstdio>
#include <cwctype>
#include <stdexcept>
#include <vector>

std::wstring TrimWhitespace(const std::wstring& text, unsigned sides) {
  // iswspace is the test that std::ctype<wchar_t> itself makes here, without
  // the locale library, which would more than double the program's size.
  const auto isSpace = [](wchar_t c) { return std::iswspace(c) != 0; };

  std::size_t start = 0;
  std::size_t end = text.size();
  if (sides & TrimLeading) {
    while (start < end && isSpace(text[start])) {
      ++start;
    }
  }
  if (sides & TrimTrailing) {
    while (end > start && isSpace(text[end - 1])) {
      --end;
    }
  }
  return text.substr(start, end - start);
}

std::wstring FormatPrintfV(const wchar_t* format, va_list args) {
  // _vscwprintf and _vsnwprintf_s are the runtime's own (Microsoft) wide
  // printf functions, in which %s takes a wide string. The standard names
  // (vswprintf) follow C99 under MinGW, where %s takes a narrow string.
  va_list measureArgs;
  va_copy(measureArgs, args);
  const int length = _vscwprintf(format, measureArgs);
  va_end(measureArgs);
  if (length < 0) {
    throw std::runtime_error("Error formatting string.");
  }

  std::vector<wchar_t> buffer(static_cast<std::size_t>(length) + 1);
  va_list formatArgs;
  va_copy(formatArgs, args);
  _vsnwprintf_s(buffer.data(), buffer.size(), _TRUNCATE, format, formatArgs);
  va_end(formatArgs);
  return std::wstring(buffer.data());
}

void DebugTrace(const wchar_t* format, ...) noexcept {
  va_list args;
  va_start(args, format);
  try {
    OutputDebugStringW(FormatPrintfV(format, args).c_str());
  } catch (...) {
    // No trace line rather than no program.
  }
  va_end(args);
}

std::wstring ToWideString(const std::string& text, UINT codePage) {
  // The length -1 includes the terminator, so even an empty text needs 1.
  const int length = MultiByteToWideChar(codePage, 0, text.c_str(), -1, nullptr, 0);
  if (length == 0) {
    throw std::runtime_error("Error converting string.");
  }
  std::vector<wchar_t> buffer(static_cast<std::size_t>(length));
  if (MultiByteToWideChar(codePage, 0, text.c_str(), -1, buffer.data(), length) == 0) {
    throw std::runtime_error("Error converting string.");
  }
  return std::wstring(buffer.data());
}
