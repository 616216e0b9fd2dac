// The floor for any launcher of Hushpad's kind: a GUI program that loads
// user32 and shell32, splits its command line, creates a message-only window,
// starts the rest of its command line and waits for it. Everything Hushpad
// adds (options, mutex, hook, settings, watch thread, traces) is the
// difference to this.
#include <windows.h>
#include <shellapi.h>

#include <string>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  int count = 0;
  wchar_t** arguments = CommandLineToArgvW(GetCommandLineW(), &count);
  if (!arguments || count < 2) return 1;
  std::wstring commandLine = L"\"" + std::wstring(arguments[1]) + L"\"";
  LocalFree(arguments);

  WNDCLASSW windowClass{};
  windowClass.lpfnWndProc = DefWindowProcW;
  windowClass.hInstance = instance;
  windowClass.lpszClassName = L"HushpadBareLauncher";
  RegisterClassW(&windowClass);
  HWND window = CreateWindowExW(0, windowClass.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE,
                                nullptr, instance, nullptr);

  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION child{};
  if (CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                     &startup, &child)) {
    WaitForSingleObject(child.hProcess, INFINITE);
    CloseHandle(child.hThread);
    CloseHandle(child.hProcess);
  }
  DestroyWindow(window);
  return 0;
}
