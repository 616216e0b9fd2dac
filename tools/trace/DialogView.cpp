#include "DialogView.h"

#include <algorithm>
#include <cwchar>
#include <tuple>

#include "res/resource.h"

namespace {

std::wstring ReadText(HWND window) {
  std::wstring text(static_cast<size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
  text.resize(
      static_cast<size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
  return text;
}

bool HasClass(HWND window, const wchar_t* name) {
  wchar_t actual[64] = {};
  GetClassNameW(window, actual, 64);
  return _wcsicmp(actual, name) == 0;
}

// Counts the clearly red, yellow and blue pixels of `part` (window
// coordinates): the error icon is mostly red, the warning icon yellow, the
// information icon blue.
BoxIcon ClassifyIcon(const ScreenPicture& picture, const RECT& part) {
  int red = 0, yellow = 0, blue = 0;
  for (int y = std::max(0L, part.top); y < std::min<LONG>(picture.height, part.bottom); ++y) {
    for (int x = std::max(0L, part.left); x < std::min<LONG>(picture.width, part.right); ++x) {
      const DWORD pixel = picture.pixels[static_cast<size_t>(y) * picture.width + x];
      const int r = (pixel >> 16) & 0xFF, g = (pixel >> 8) & 0xFF, b = pixel & 0xFF;
      red += r > 150 && g < 110 && b < 110;
      yellow += r > 150 && g > 150 && b < 110;
      blue += b > 150 && r < 110;
    }
  }
  const int most = std::max({red, yellow, blue});
  if (most <= 40) return BoxIcon::None;
  return most == red ? BoxIcon::Error : most == yellow ? BoxIcon::Warning : BoxIcon::Information;
}

}  // namespace

std::vector<HWND> VisibleDialogsOf(DWORD processId) {
  std::vector<HWND> dialogs;
  for (HWND window = nullptr; (window = FindWindowExW(nullptr, window, L"#32770", nullptr));) {
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == processId && IsWindowVisible(window)) dialogs.push_back(window);
  }
  return dialogs;
}

bool IsManualDialog(HWND dialog) { return GetDlgItem(dialog, IDC_REENABLE) != nullptr; }

DialogView ReadDialog(HWND dialog, DWORD paintTimeoutMs) {
  DialogView view;
  view.window = dialog;
  view.caption = ReadText(dialog);
  RECT iconRect{};
  bool hasIcon = false;
  std::vector<std::tuple<LONG, std::wstring, int>> buttons;  // left edge, label, ID
  for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    RECT rect{};
    GetWindowRect(child, &rect);
    if (HasClass(child, L"Button")) {
      buttons.emplace_back(rect.left, ReadText(child), GetDlgCtrlID(child));
    } else if (HasClass(child, L"Static") &&
               (GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) {
      hasIcon = true;
      iconRect = rect;
    } else if (HasClass(child, L"Static")) {
      if (!view.text.empty()) view.text += L'\n';  // the manual dialog's status line
      view.text += ReadText(child);
      view.text.erase(std::remove(view.text.begin(), view.text.end(), L'\r'), view.text.end());
    }
  }
  std::stable_sort(buttons.begin(), buttons.end());
  for (auto& [left, label, id] : buttons) {
    view.buttons.push_back(std::move(label));
    view.buttonIds.push_back(id);
  }

  RECT window{};
  GetWindowRect(dialog, &window);
  OffsetRect(&iconRect, -window.left, -window.top);
  const ULONGLONG deadline = GetTickCount64() + paintTimeoutMs;
  for (ScreenPicture previous;; Sleep(100)) {
    view.picture = CaptureScreen(window);
    if (hasIcon) view.icon = ClassifyIcon(view.picture, iconRect);
    const bool painted = !view.picture.pixels.empty() && view.picture == previous &&
                         (!hasIcon || view.icon != BoxIcon::None);
    if (painted || GetTickCount64() >= deadline) return view;
    previous = view.picture;
  }
}

void PressButton(HWND dialog, int id) {
  PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

int DefaultButton(HWND dialog) {
  DWORD_PTR result = 0;
  if (SendMessageTimeoutW(dialog, DM_GETDEFID, 0, 0, SMTO_ABORTIFHUNG, 2000, &result) &&
      HIWORD(result) == DC_HASDEFID) {
    return LOWORD(result);
  }
  return IDOK;
}
