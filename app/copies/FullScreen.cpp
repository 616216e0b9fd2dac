#include "app/copies/FullScreen.h"

#include <cwchar>

WindowKind KindOf(HWND window) noexcept {
  if (window == GetShellWindow() || window == GetDesktopWindow()) return WindowKind::Shell;
  static constexpr const wchar_t* kShellClasses[] = {
      L"Progman",
      L"WorkerW",
      L"Shell_TrayWnd",
      L"Shell_SecondaryTrayWnd",
      L"MultitaskingViewFrame",
      L"XamlExplorerHostIslandWindow",
      L"Windows.UI.Core.CoreWindow",
  };
  wchar_t name[64];
  if (GetClassNameW(window, name, 64) == 0) return WindowKind::Ordinary;
  for (const wchar_t* shellClass : kShellClasses) {
    if (std::wcscmp(name, shellClass) == 0) return WindowKind::Shell;
  }
  return WindowKind::Ordinary;
}

bool FillsItsMonitor(HWND window) noexcept {
  if (!window) return false;
  RECT client{};
  if (!GetClientRect(window, &client)) return false;
  // As a rectangle, so that a right-to-left window's stays left to right.
  MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&client), 2);
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  if (!GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &monitor)) return false;
  return FillsMonitor(client, monitor.rcMonitor, KindOf(window));
}
