#include "text/ErrorBox.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <thread>

namespace {

std::wstring WindowText(HWND window) {
  wchar_t text[1024] = {};
  GetWindowTextW(window, text, static_cast<int>(std::size(text)));
  return text;
}

// Waits for the box, describes what it shows, and presses its one button.
std::wstring ReadAndCloseBox() {
  HWND box = nullptr;
  for (int tries = 0; tries < 200 && !(box = FindWindowW(L"#32770", L"Hushpad")); ++tries) {
    Sleep(50);
  }
  if (!box) {
    return L"(no box)";
  }
  std::wstring shown = L"text=" + WindowText(GetDlgItem(box, 0xFFFF));
  if (GetWindow(box, GW_OWNER)) {
    shown += L" owned";
  }
  HWND button = nullptr;
  for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    wchar_t className[64] = {};
    GetClassNameW(child, className, static_cast<int>(std::size(className)));
    if (_wcsicmp(className, L"Button") == 0 && IsWindowVisible(child)) {
      shown += L" button" + std::to_wstring(GetDlgCtrlID(child)) + L"=" + WindowText(child);
      button = child;
    } else if (_wcsicmp(className, L"Static") == 0 &&
               (GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON &&
               reinterpret_cast<HICON>(SendMessageW(child, STM_GETICON, 0, 0)) ==
                   LoadIconW(nullptr, IDI_ERROR)) {
      shown += L" error-icon";
    }
  }
  if (button) {
    PostMessageW(box, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(button), BN_CLICKED),
                 reinterpret_cast<LPARAM>(button));
  } else {
    PostMessageW(box, WM_CLOSE, 0, 0);
  }
  return shown;
}

TEST(ShowErrorMessage, ShowsTheTextCaptionedHushpadWithTheErrorIconAndOneOkButton) {
  for (const std::wstring text :
       {L"Unable to create window.  Access denied.\n\nsecond line", L""}) {
    std::wstring shown;
    std::thread reader([&shown] { shown = ReadAndCloseBox(); });
    ShowErrorMessage(text);
    reader.join();
    EXPECT_EQ(shown, L"text=" + text + L" error-icon button1=OK");
  }
}

}  // namespace
