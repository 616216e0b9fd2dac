#pragma once

#include <windows.h>
#include <shellapi.h>

// One icon of a window in the notification area. Its clicks come to the
// window as `message` with the mouse message in lParam (the classic
// notification version). The destructor removes it.
class TrayIcon {
 public:
  TrayIcon(HWND window, UINT message) noexcept;
  ~TrayIcon() { Remove(); }
  TrayIcon(const TrayIcon&) = delete;
  TrayIcon& operator=(const TrayIcon&) = delete;

  // Shows the icon with `picture` and the tooltip `tip` (cut to 127
  // characters), or changes them while it shows. False when there is no
  // notification area to show it in.
  bool Show(HICON picture, const wchar_t* tip) noexcept;
  // Takes it out of the notification area; nothing when it is not there.
  void Remove() noexcept;
  // Whether it should be in the notification area now.
  bool Shown() const noexcept { return shown_; }
  // Explorer has restarted ("TaskbarCreated"), with a notification area
  // without the icon: shows it again if it showed. False when it showed and
  // the new notification area does not take it.
  bool Restore() noexcept;

 private:
  NOTIFYICONDATAW data_{};
  bool shown_ = false;
};
