#include "text/ErrorBox.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <thread>

namespace {

// What a message box showed, read by a second thread while the box is up.
struct ShownBox {
    bool found = false;
    std::wstring caption, text, buttonText;
    HWND owner = nullptr;
    int visibleButtons = 0;
    int buttonId = 0;
    bool errorIcon = false;
};

std::wstring WindowText(HWND window) {
    wchar_t text[1024] = {};
    GetWindowTextW(window, text, static_cast<int>(std::size(text)));
    return text;
}

std::wstring ClassName(HWND window) {
    wchar_t name[64] = {};
    GetClassNameW(window, name, static_cast<int>(std::size(name)));
    return name;
}

ShownBox ReadAndCloseBox() {
    ShownBox box;
    HWND window = nullptr;
    for (int tries = 0; tries < 200 && !window; ++tries) {
        window = FindWindowW(L"#32770", L"Hushpad");
        if (!window) {
            Sleep(50);
        }
    }
    if (!window) {
        return box;
    }
    box.found = true;
    box.caption = WindowText(window);
    box.owner = GetWindow(window, GW_OWNER);
    box.text = WindowText(GetDlgItem(window, 0xFFFF));
    const HICON errorIcon = LoadIconW(nullptr, IDI_ERROR);
    HWND okButton = nullptr;
    for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        const std::wstring className = ClassName(child);
        if (_wcsicmp(className.c_str(), L"Button") == 0 && IsWindowVisible(child)) {
            ++box.visibleButtons;
            box.buttonId = GetDlgCtrlID(child);
            box.buttonText = WindowText(child);
            okButton = child;
        } else if (_wcsicmp(className.c_str(), L"Static") == 0 &&
                   (GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) {
            box.errorIcon = reinterpret_cast<HICON>(SendMessageW(child, STM_GETICON, 0, 0)) == errorIcon;
        }
    }
    if (okButton) {
        PostMessageW(window, WM_COMMAND, MAKEWPARAM(box.buttonId, BN_CLICKED),
                     reinterpret_cast<LPARAM>(okButton));
    } else {
        PostMessageW(window, WM_CLOSE, 0, 0);
    }
    return box;
}

ShownBox ShowAndRead(const std::wstring &text) {
    ShownBox box;
    std::thread reader([&box] { box = ReadAndCloseBox(); });
    ShowErrorMessage(text);
    reader.join();
    return box;
}

TEST(ShowErrorMessage, ShowsTheTextWithCaptionErrorIconAndOneOkButton) {
    const ShownBox box = ShowAndRead(L"Unable to create window.  Access denied.\n\nsecond line");
    ASSERT_TRUE(box.found);
    EXPECT_EQ(box.caption, L"Hushpad");
    EXPECT_EQ(box.text, L"Unable to create window.  Access denied.\n\nsecond line");
    EXPECT_EQ(box.owner, nullptr);
    EXPECT_EQ(box.visibleButtons, 1);
    EXPECT_EQ(box.buttonId, IDOK);
    EXPECT_EQ(box.buttonText, L"OK");
    EXPECT_TRUE(box.errorIcon);
}

TEST(ShowErrorMessage, ShowsAnEmptyBoxForAnEmptyText) {
    const ShownBox box = ShowAndRead(L"");
    ASSERT_TRUE(box.found);
    EXPECT_EQ(box.text, L"");
    EXPECT_TRUE(box.errorIcon);
}

} // namespace
