#include "app/dialog/TrayIcon.h"

#include <cwchar>

TrayIcon::TrayIcon(HWND window, UINT message) noexcept {
  data_.cbSize = NOTIFYICONDATAW_V2_SIZE;  // Vista's fields are not needed
  data_.hWnd = window;
  data_.uID = 1;
  data_.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  data_.uCallbackMessage = message;
}

bool TrayIcon::Show(HICON picture, const wchar_t* tip) noexcept {
  data_.hIcon = picture;
  wcsncpy(data_.szTip, tip, ARRAYSIZE(data_.szTip) - 1);
  if (shown_ && Shell_NotifyIconW(NIM_MODIFY, &data_)) return true;
  shown_ = Shell_NotifyIconW(NIM_ADD, &data_) != FALSE;
  return shown_;
}

void TrayIcon::Remove() noexcept {
  if (shown_) Shell_NotifyIconW(NIM_DELETE, &data_);
  shown_ = false;
}

bool TrayIcon::Restore() noexcept {
  if (!shown_) return true;
  // Some programs send "TaskbarCreated" with Explorer still running: the icon
  // is then still there.
  shown_ = Shell_NotifyIconW(NIM_ADD, &data_) || Shell_NotifyIconW(NIM_MODIFY, &data_);
  return shown_;
}
