#pragma once

#include <windows.h>

// Whether the window in front fills its monitor, for --full-screen.
//
// A window fills its monitor when its client area covers the whole rectangle
// of the monitor it is on: an exclusive full-screen game, a borderless
// "full-screen windowed" one, full-screen video. A maximised window with a
// title bar does not: its client area starts below the caption, whether the
// taskbar hides itself or not. The shell's own surfaces never count, however
// much of the screen they cover, so that the Windows key always leaves Start.

// What the shell's windows are to the decision: anything else is Ordinary.
enum class WindowKind : unsigned char { Ordinary, Shell };

// The pure decision: `client` in screen coordinates, `monitor` the whole
// rectangle of the monitor the window is on (not its work area).
inline bool FillsMonitor(const RECT& client, const RECT& monitor, WindowKind kind) noexcept {
  return kind == WindowKind::Ordinary && client.left <= monitor.left && client.top <= monitor.top &&
         client.right >= monitor.right && client.bottom >= monitor.bottom;
}

// What `window` is to the decision, from its class name alone, the shell's
// desktop window and the desktop window itself: the desktop (Progman, WorkerW), the taskbars
// (Shell_TrayWnd, Shell_SecondaryTrayWnd), Task View and Alt+Tab
// (MultitaskingViewFrame, XamlExplorerHostIslandWindow), and the top-level
// CoreWindows of Start, search, the action centre and the lock screen
// (Windows.UI.Core.CoreWindow; a Store app's CoreWindow is a child of its
// ApplicationFrameWindow) are Shell.
WindowKind KindOf(HWND window) noexcept;

// FillsMonitor for `window` as the window manager has it now; false for
// null. Reads the window manager's state only (no message to the window, no
// COM), so that the keyboard hook may ask it at a new press.
bool FillsItsMonitor(HWND window) noexcept;
