#include "KeyReader.h"

#include "text/UniqueHandle.h"

namespace {

DWORD WINAPI ReadKeys(void* parameter) noexcept {
  const auto target = static_cast<DWORD>(reinterpret_cast<UINT_PTR>(parameter));
  const HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
  DWORD mode = 0;
  const bool console = GetConsoleMode(input, &mode) != FALSE;
  for (;;) {
    wchar_t key = 0;
    char byte = 0;
    DWORD read = 0;
    const BOOL ok = console ? ReadConsoleW(input, &key, 1, &read, nullptr)
                            : ReadFile(input, &byte, 1, &read, nullptr);
    if (!ok || read == 0) return 0;
    if (!console) key = static_cast<unsigned char>(byte);
    PostThreadMessageW(target, kKeyMessage, key, 0);
  }
}

}  // namespace

KeyReader::KeyReader() : input_(GetStdHandle(STD_INPUT_HANDLE)) {
  console_ = GetConsoleMode(input_, &consoleMode_) != FALSE;
  if (console_) SetConsoleMode(input_, consoleMode_ & ~(ENABLE_LINE_INPUT | ENABLE_ECHO_INPUT));
  MSG message;  // the queue must exist before the first key is posted to it
  PeekMessageW(&message, nullptr, WM_USER, WM_USER, PM_NOREMOVE);
  UniqueHandle thread(CreateThread(
      nullptr, 0, ReadKeys, reinterpret_cast<void*>(UINT_PTR{GetCurrentThreadId()}), 0, nullptr));
}

KeyReader::~KeyReader() {
  if (console_) SetConsoleMode(input_, consoleMode_);
}
