// KeyRecorder CAPTION: a plain visible window, in a process of its own, that
// reports every keyboard message it receives as a debug-output line
// ("WM_KEYDOWN 0x5B\n"), after "ready\n" once it is shown and focused. The
// keyboard hook tests read these lines to see which keys got through.
#include <windows.h>

#include <cwchar>

#include "CommandLine.h"

namespace {

const wchar_t* MessageName(UINT message) noexcept {
  switch (message) {
    case WM_KEYDOWN:
      return L"WM_KEYDOWN";
    case WM_KEYUP:
      return L"WM_KEYUP";
    case WM_SYSKEYDOWN:
      return L"WM_SYSKEYDOWN";
    case WM_SYSKEYUP:
      return L"WM_SYSKEYUP";
    default:
      return nullptr;
  }
}

LRESULT CALLBACK RecorderWindowProc(HWND window, UINT message, WPARAM wParam,
                                    LPARAM lParam) noexcept {
  if (const wchar_t* name = MessageName(message)) {
    wchar_t line[64];
    std::swprintf(line, 64, L"%ls 0x%02X\n", name, static_cast<unsigned>(wParam));
    OutputDebugStringW(line);
    // Not passed on: Alt would otherwise put the window into menu mode.
    return 0;
  }
  if (message == WM_DESTROY) PostQuitMessage(0);
  return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  const std::wstring caption = CommandLineAfterProgram(GetCommandLineW());
  WNDCLASSW windowClass{};
  windowClass.lpfnWndProc = RecorderWindowProc;
  windowClass.hInstance = instance;
  windowClass.lpszClassName = L"HushpadKeyRecorder";
  if (!RegisterClassW(&windowClass)) return 1;
  HWND window = CreateWindowExW(0, windowClass.lpszClassName, caption.c_str(),
                                WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 100, 400, 300, nullptr,
                                nullptr, instance, nullptr);
  if (window == nullptr) return 2;
  SetForegroundWindow(window);
  SetFocus(window);
  OutputDebugStringW(L"ready\n");
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) DispatchMessageW(&message);
  return 0;
}
