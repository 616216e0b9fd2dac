#include "text/SystemErrorText.h"

#include <algorithm>
#include <iterator>

#include "text/ScopeGuard.h"
#include "text/TextUtil.h"

namespace {

// The system's text for `errorCode`, trimmed; with `inserts` null, its inserts
// are never expanded.
std::wstring FromSystem(DWORD errorCode, DWORD_PTR* inserts) {
  wchar_t* buffer = nullptr;
  const DWORD length =
      FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                         (inserts ? FORMAT_MESSAGE_ARGUMENT_ARRAY : FORMAT_MESSAGE_IGNORE_INSERTS),
                     nullptr, errorCode, 0, reinterpret_cast<LPWSTR>(&buffer), 0,
                     reinterpret_cast<va_list*>(inserts));
  if (length == 0) {
    return std::wstring();
  }
  ScopeGuard freeBuffer(LocalFree, buffer);
  return TrimWhitespace(std::wstring(buffer, length), TrimLeading | TrimTrailing);
}

}  // namespace

std::wstring SystemErrorText(DWORD errorCode) { return FromSystem(errorCode, nullptr); }

std::wstring SystemErrorText(DWORD errorCode, const std::wstring& file) {
  // FormatMessageW cannot be told how many inserts there are: it reads one for
  // each that the text names, up to %99 ("FormatMessage", Remarks).
  DWORD_PTR inserts[99];
  std::fill(std::begin(inserts), std::end(inserts), reinterpret_cast<DWORD_PTR>(L""));
  inserts[0] = reinterpret_cast<DWORD_PTR>(file.c_str());
  return FromSystem(errorCode, inserts);
}
