// HushpadProbe: the child program of the end-to-end tests. It reports what it
// received and then lives as long as a test wants. Its own arguments:
//   /out:PATH    write, UTF-16 and NUL-separated: process ID, the command line
//                exactly as GetCommandLineW gives it, the current folder, then
//                every argv element
//   /wait:NAME   wait (at most a minute) until the named event is set
//   /sleep:MS    live MS milliseconds longer
//   /spawn:NAME  start another probe that waits for the event NAME (and
//                reports to this one's report path plus ".grandchild"), and
//                do not wait for it
//   /spawn-deep:NAME, /spawn-away:NAME, /spawn-window:NAME  the same, but the
//                new probe starts one with /spawn:NAME in turn and ends at once;
//                or leaves any job (CREATE_BREAKAWAY_FROM_JOB); or shows a window
//   /window      show a window, in front, titled "HushpadProbe" and the
//                process ID, for as long as this probe lives
//   /full-screen-window  the same, but borderless, covering the whole screen
// Anything else is ignored, so a test may pass arbitrary arguments through.
#include <windows.h>
#include <shellapi.h>

#include <cwchar>
#include <string>

namespace {

bool StartsWith(const wchar_t* text, const wchar_t* prefix) {
  return std::wcsncmp(text, prefix, std::wcslen(prefix)) == 0;
}

// Starts another probe with `arguments`, reporting to `report` plus
// ".grandchild", and does not wait for it.
void Spawn(const wchar_t* probe, const std::wstring& arguments, const std::wstring& report,
           DWORD flags = 0) {
  std::wstring commandLine =
      L"\"" + std::wstring(probe) + L"\" " + arguments + L" \"/out:" + report + L".grandchild\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, flags, nullptr, nullptr,
                     &startup, &process)) {
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
  }
}

// A top-level window, brought to the front. It has no system menu, so that an
// Alt pressed and released alone takes it into no menu.
void ShowWindowInFront(bool fullScreen) {
  WNDCLASSW windowClass{};
  windowClass.lpfnWndProc = DefWindowProcW;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.lpszClassName = L"HushpadProbe";
  RegisterClassW(&windowClass);
  const std::wstring title = L"HushpadProbe " + std::to_wstring(GetCurrentProcessId());
  const HWND window =
      fullScreen
          ? CreateWindowExW(0, windowClass.lpszClassName, title.c_str(), WS_POPUP | WS_VISIBLE, 0,
                            0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN),
                            nullptr, nullptr, windowClass.hInstance, nullptr)
          : CreateWindowExW(0, windowClass.lpszClassName, title.c_str(), WS_CAPTION | WS_VISIBLE,
                            100, 100, 300, 200, nullptr, nullptr, windowClass.hInstance, nullptr);
  SetForegroundWindow(window);
}

// Waits for the event, at most a minute, while the window's messages flow.
void WaitPumping(HANDLE event) {
  for (const ULONGLONG end = GetTickCount64() + 60000; GetTickCount64() < end;) {
    if (MsgWaitForMultipleObjects(1, &event, FALSE, 100, QS_ALLINPUT) == WAIT_OBJECT_0) return;
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
  }
}

void WriteReport(const std::wstring& path, int count, wchar_t** arguments) {
  wchar_t folder[MAX_PATH] = {};
  GetCurrentDirectoryW(MAX_PATH, folder);
  std::wstring report =
      std::to_wstring(GetCurrentProcessId()) + L'\0' + GetCommandLineW() + L'\0' + folder + L'\0';
  for (int i = 0; i < count; ++i) report += std::wstring(arguments[i]) + L'\0';
  // Written aside and renamed, so a test never reads half a report.
  const std::wstring partial = path + L".partial";
  HANDLE file = CreateFileW(partial.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  WriteFile(file, report.data(), static_cast<DWORD>(report.size() * sizeof(wchar_t)), &written,
            nullptr);
  CloseHandle(file);
  MoveFileExW(partial.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING);
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  int count = 0;
  wchar_t** arguments = CommandLineToArgvW(GetCommandLineW(), &count);
  if (!arguments) return 1;
  // The window is in front before the report tells that the probe runs.
  for (int i = 1; i < count; ++i) {
    if (std::wcscmp(arguments[i], L"/window") == 0) ShowWindowInFront(false);
    if (std::wcscmp(arguments[i], L"/full-screen-window") == 0) ShowWindowInFront(true);
  }
  std::wstring report;
  for (int i = 1; i < count; ++i) {
    if (StartsWith(arguments[i], L"/out:")) {
      report = arguments[i] + 5;
      WriteReport(report, count, arguments);
    }
  }
  for (int i = 1; i < count; ++i) {
    if (StartsWith(arguments[i], L"/wait:")) {
      if (HANDLE event = CreateEventW(nullptr, TRUE, FALSE, arguments[i] + 6)) {
        WaitPumping(event);
        CloseHandle(event);
      }
    } else if (StartsWith(arguments[i], L"/sleep:")) {
      Sleep(std::wcstoul(arguments[i] + 7, nullptr, 10));
    } else if (StartsWith(arguments[i], L"/spawn:")) {
      Spawn(arguments[0], L"/wait:" + std::wstring(arguments[i] + 7), report);
    } else if (StartsWith(arguments[i], L"/spawn-deep:")) {
      Spawn(arguments[0], L"/spawn:" + std::wstring(arguments[i] + 12), report);
    } else if (StartsWith(arguments[i], L"/spawn-window:")) {
      Spawn(arguments[0], L"/window /wait:" + std::wstring(arguments[i] + 14), report);
    } else if (StartsWith(arguments[i], L"/spawn-away:")) {
      Spawn(arguments[0], L"/wait:" + std::wstring(arguments[i] + 12), report,
            CREATE_BREAKAWAY_FROM_JOB);
    }
  }
  LocalFree(arguments);
  return 0;
}
