// KeyLatencyTarget BENCHMARK_PID: the window of another process whose
// WM_KEYDOWN times the benchmark measures. It stamps each key-down with
// QueryPerformanceCounter (one clock for every process) as soon as the message
// is dispatched.
#include <windows.h>

#include <cstdlib>

#include "KeyLatencyShared.h"

namespace {

KeyLatencyShared* g_shared = nullptr;
HANDLE g_keyDown = nullptr;
HANDLE g_keyUp = nullptr;

LRESULT CALLBACK TargetWindowProc(HWND window, UINT message, WPARAM wParam,
                                  LPARAM lParam) noexcept {
  switch (message) {
    case WM_KEYDOWN: {
      LARGE_INTEGER now;
      QueryPerformanceCounter(&now);
      g_shared->keyDownTime = now.QuadPart;
      SetEvent(g_keyDown);
      return 0;
    }
    case WM_KEYUP:
      SetEvent(g_keyUp);
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcW(window, message, wParam, lParam);
  }
}

HANDLE OpenNamedEvent(DWORD benchmark, const wchar_t* what) {
  return OpenEventW(EVENT_MODIFY_STATE, FALSE, KeyLatencyName(benchmark, what).c_str());
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int) {
  const DWORD benchmark = std::strtoul(commandLine, nullptr, 10);
  // Lives as long as the process; the system closes these handles at exit.
  const HANDLE memory =
      OpenFileMappingW(FILE_MAP_WRITE, FALSE, KeyLatencyName(benchmark, kSharedMemory).c_str());
  if (memory == nullptr) return 1;
  g_shared = static_cast<KeyLatencyShared*>(
      MapViewOfFile(memory, FILE_MAP_WRITE, 0, 0, sizeof(KeyLatencyShared)));
  g_keyDown = OpenNamedEvent(benchmark, kKeyDownEvent);
  g_keyUp = OpenNamedEvent(benchmark, kKeyUpEvent);
  const HANDLE ready = OpenNamedEvent(benchmark, kReadyEvent);
  if (g_shared == nullptr || !g_keyDown || !g_keyUp || !ready) return 2;

  WNDCLASSW windowClass{};
  windowClass.lpfnWndProc = TargetWindowProc;
  windowClass.hInstance = instance;
  windowClass.lpszClassName = L"HushpadKeyLatencyTarget";
  if (!RegisterClassW(&windowClass)) return 3;
  const HWND window = CreateWindowExW(0, windowClass.lpszClassName, L"Hushpad key latency target",
                                      WS_OVERLAPPEDWINDOW | WS_VISIBLE, 50, 50, 300, 200, nullptr,
                                      nullptr, instance, nullptr);
  if (window == nullptr) return 4;
  SetForegroundWindow(window);
  g_shared->window = window;
  SetEvent(ready);
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) DispatchMessageW(&message);
  return 0;
}
