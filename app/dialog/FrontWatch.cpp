#include "app/dialog/FrontWatch.h"

namespace {

// A WinEvent procedure has no context argument of its own.
HWND g_watcher = nullptr;
UINT g_message = 0;

void CALLBACK FrontEvent(HWINEVENTHOOK, DWORD event, HWND window, LONG object, LONG child, DWORD,
                         DWORD) noexcept {
  // Location changes come for every object that moves, the mouse pointer too:
  // only the window in front itself matters.
  if (event == EVENT_OBJECT_LOCATIONCHANGE &&
      (object != OBJID_WINDOW || child != CHILDID_SELF || window != GetForegroundWindow())) {
    return;
  }
  PostMessageW(g_watcher, g_message, 0, 0);
}

HWINEVENTHOOK Listen(DWORD event) noexcept {
  return SetWinEventHook(event, event, nullptr, FrontEvent, 0, 0, WINEVENT_OUTOFCONTEXT);
}

}  // namespace

FrontWatch::FrontWatch(HWND window, UINT message) noexcept {
  g_watcher = window;
  g_message = message;
  foreground_ = Listen(EVENT_SYSTEM_FOREGROUND);
  location_ = Listen(EVENT_OBJECT_LOCATIONCHANGE);
}

FrontWatch::~FrontWatch() {
  if (location_) UnhookWinEvent(location_);
  if (foreground_) UnhookWinEvent(foreground_);
}
