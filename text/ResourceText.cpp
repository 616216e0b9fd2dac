#include "text/ResourceText.h"

#include "text/ScopeGuard.h"

#include <vector>

std::wstring LoadResourceString(HMODULE module, UINT id) {
  // LoadStringW truncates to the buffer without saying so; a result that
  // fills the buffer may have been cut, so retry with twice the room.
  std::vector<wchar_t> buffer(256);
  int length = LoadStringW(module, id, buffer.data(), static_cast<int>(buffer.size()));
  while (length > 0) {
    if (length < static_cast<int>(buffer.size()) - 1) {
      return std::wstring(buffer.data());
    }
    buffer.assign(buffer.size() * 2, L'\0');
    length = LoadStringW(module, id, buffer.data(), static_cast<int>(buffer.size()));
  }
  return std::wstring();
}

std::wstring FormatInserts(const wchar_t* format, va_list args) {
  va_list inserts;
  va_copy(inserts, args);
  wchar_t* buffer = nullptr;
  const DWORD length = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_STRING,
                                      format, 0, 0, reinterpret_cast<LPWSTR>(&buffer), 1, &inserts);
  va_end(inserts);
  if (length == 0) {
    return std::wstring();
  }
  ScopeGuard freeBuffer(LocalFree, buffer);
  return std::wstring(buffer, length);
}

std::wstring FormatResourceMessageV(UINT id, HMODULE module, va_list args) {
  const std::wstring format = LoadResourceString(module, id);
  if (format.empty()) {
    return std::wstring();
  }
  return FormatInserts(format.c_str(), args);
}

std::wstring FormatResourceMessage(UINT id, HMODULE module, ...) noexcept {
  std::wstring message;
  va_list args;
  va_start(args, module);
  try {
    message = FormatResourceMessageV(id, module, args);
  } catch (...) {
    // The callers show whatever comes back; an empty box beats a second
    // failure while the first is being reported.
  }
  va_end(args);
  return message;
}
