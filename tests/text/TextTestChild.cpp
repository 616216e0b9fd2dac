// A child process for the text tests.
//   TextTestChild echo ARGS...  writes each ARG, as the C runtime split the
//                               command line, to stdout as UTF-16 ended by NUL.
//   TextTestChild trace         writes trace lines with DebugTrace.
#include "text/SystemErrorText.h"
#include "text/TextUtil.h"

#include <windows.h>

#include <cwchar>

namespace {

int Echo(int count, wchar_t** arguments) {
  const HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
  for (int i = 0; i < count; ++i) {
    const DWORD bytes = static_cast<DWORD>((std::wcslen(arguments[i]) + 1) * sizeof(wchar_t));
    DWORD written = 0;
    if (!WriteFile(output, arguments[i], bytes, &written, nullptr) || written != bytes) {
      return 2;
    }
  }
  return 0;
}

int Trace() {
  DebugTrace(L"Hushpad: Waiting for [%u]\n", 1234u);
  DebugTrace(L"Hushpad: Launching: %s\n", L"\"C:\\Program Files\\a.exe\" -x");
  DebugTrace(L"WaitForSingleObject failed: %s (%u)\n",
             SystemErrorText(ERROR_INVALID_HANDLE).c_str(),
             static_cast<unsigned>(ERROR_INVALID_HANDLE));
  DebugTrace(nullptr);  // rejected by the runtime: no line, and no failure either
  OutputDebugStringW(L"end");
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc >= 2 && std::wcscmp(argv[1], L"echo") == 0) {
    return Echo(argc - 2, argv + 2);
  }
  if (argc == 2 && std::wcscmp(argv[1], L"trace") == 0) {
    return Trace();
  }
  return 1;
}
