// HushpadTrace COMMAND [ARGUMENTS ...]
//
// Runs the command line as a debuggee and prints each debug-output text to
// standard output as it arrives (UTF-8 into a file or pipe, wide text into a
// console); a text without a final line feed gets one, so every text starts a
// line of its own. Exits with the debuggee's exit code, or, when the command
// cannot be started, prints the reason to standard error and exits with the
// Win32 error code.
//
// Ctrl+C and Ctrl+Break are ignored: ending this debugger would end the
// program under it at once, before it could restore what it changed.
#include <windows.h>

#include <cstdio>
#include <string>

#include "CommandLine.h"
#include "DebuggedProcess.h"

namespace {

void Write(HANDLE stream, const std::wstring& text) noexcept {
  DWORD mode = 0;
  DWORD written = 0;
  if (GetConsoleMode(stream, &mode)) {
    WriteConsoleW(stream, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    return;
  }
  const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                       nullptr, 0, nullptr, nullptr);
  if (size <= 0) return;
  std::string utf8(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), utf8.data(), size,
                      nullptr, nullptr);
  WriteFile(stream, utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr);
}

BOOL WINAPI IgnoreInterrupt(DWORD event) noexcept {
  return event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT;
}

}  // namespace

int main() {
  SetConsoleCtrlHandler(IgnoreInterrupt, TRUE);
  const std::wstring commandLine = CommandLineAfterProgram(GetCommandLineW());
  if (commandLine.empty()) {
    Write(GetStdHandle(STD_ERROR_HANDLE), L"usage: HushpadTrace COMMAND [ARGUMENTS ...]\n");
    return ERROR_BAD_ARGUMENTS;
  }
  const HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
  DebuggedProcess process(commandLine, [output](const std::wstring& text) {
    Write(output, !text.empty() && text.back() == L'\n' ? text : text + L'\n');
  });
  if (process.StartFailed()) {
    const DWORD error = process.StartError();
    Write(GetStdHandle(STD_ERROR_HANDLE), L"HushpadTrace: cannot start " + commandLine +
                                              L": error " + std::to_wstring(error) + L"\n");
    return static_cast<int>(error);
  }
  process.WaitForExit(INFINITE);
  return static_cast<int>(process.ExitCode());
}
