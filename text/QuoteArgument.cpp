#include "text/QuoteArgument.h"

#include <cwctype>

namespace {

bool ContainsWhitespace(const std::wstring& text) {
  for (const wchar_t c : text) {
    if (std::iswspace(c)) {
      return true;
    }
  }
  return false;
}

}  // namespace

std::wstring QuoteArgument(const std::wstring& argument) {
  // The parsing rules (CommandLineToArgvW, and the C runtime's alike): 2n
  // backslashes before a quote are n backslashes and the quote delimits;
  // 2n + 1 backslashes are n backslashes and a literal quote; backslashes
  // anywhere else stand for themselves. Only space and tab split arguments
  // outside quotes, but any whitespace is quoted, to be safe and readable.
  const bool quoted = argument.empty() || ContainsWhitespace(argument);

  std::wstring result;
  // The most it can take: every character doubled, plus the two quotes.
  result.reserve(argument.size() * 2 + 2);
  if (quoted) {
    result += L'"';
  }
  std::size_t backslashes = 0;
  for (const wchar_t c : argument) {
    if (c == L'\\') {
      ++backslashes;
    } else {
      if (c == L'"') {
        result.append(backslashes + 1, L'\\');
      }
      backslashes = 0;
    }
    result += c;
  }
  if (quoted) {
    result.append(backslashes, L'\\');
    result += L'"';
  }
  return result;
}
