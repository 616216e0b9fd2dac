// TraceWriter EXITCODE [hang]: a debuggee with known debug output for the
// reader's tests. Writes a fixed series of texts, then either exits with
// EXITCODE or, given "hang", waits forever.
#include <windows.h>

#include <cwchar>
#include <string>

#include "CommandLine.h"

namespace {

bool g_exceptionSeen = false;

LONG CALLBACK ContinueAfterTestException(EXCEPTION_POINTERS* info) noexcept {
  if (info->ExceptionRecord->ExceptionCode != 0xE0001234) return EXCEPTION_CONTINUE_SEARCH;
  g_exceptionSeen = true;
  return EXCEPTION_CONTINUE_EXECUTION;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  const std::wstring arguments = CommandLineAfterProgram(GetCommandLineW());
  OutputDebugStringW(L"first line\n");
  OutputDebugStringW(L"Gr\u00FC\u00DFe \u2192 \u2713\n");
  OutputDebugStringA("narrow text\n");
  OutputDebugStringW(std::wstring(3000, L'x').append(L"\n").c_str());
  // A debugger must hand exceptions back to the program's own handlers.
  const PVOID handler = AddVectoredExceptionHandler(1, ContinueAfterTestException);
  RaiseException(0xE0001234, 0, 0, nullptr);
  RemoveVectoredExceptionHandler(handler);
  OutputDebugStringW(g_exceptionSeen ? L"exception handled\n" : L"exception lost\n");
  OutputDebugStringW(L"no line feed");
  if (arguments.find(L"hang") != std::wstring::npos) {
    OutputDebugStringW(L"hanging\n");
    Sleep(INFINITE);
  }
  return static_cast<int>(std::wcstoul(arguments.c_str(), nullptr, 10));
}
