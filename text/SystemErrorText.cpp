#include "text/SystemErrorText.h"

#include "text/ScopeGuard.h"
#include "text/TextUtil.h"

std::wstring SystemErrorText(DWORD errorCode) {
  // Some system texts contain %1 and the like: never expand them.
  wchar_t* buffer = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_FROM_SYSTEM,
      nullptr, errorCode, 0, reinterpret_cast<LPWSTR>(&buffer), 0, nullptr);
  if (length == 0) {
    return std::wstring();
  }
  ScopeGuard freeBuffer(LocalFree, buffer);
  return TrimWhitespace(std::wstring(buffer, length), TrimLeading | TrimTrailing);
}
