#include "DialogWatch.h"

#include <algorithm>
#include <cwctype>
#include <utility>

#include "res/resource.h"

namespace {

// A button label as shown: "&Re-enable Keys" reads "Re-enable Keys".
std::wstring LabelText(const std::wstring& label) {
  std::wstring text;
  for (size_t i = 0; i < label.size(); ++i) {
    if (label[i] == L'&' && i + 1 < label.size()) ++i;  // "&&" is a plain "&"
    text += label[i];
  }
  return text;
}

// The key a label underlines ("&Hide": h), or 0.
wchar_t Mnemonic(const std::wstring& label) {
  for (size_t i = 0; i + 1 < label.size(); ++i) {
    if (label[i] == L'&' && label[i + 1] != L'&') return std::towlower(label[i + 1]);
    if (label[i] == L'&') ++i;
  }
  return 0;
}

const wchar_t* IconName(BoxIcon icon) {
  switch (icon) {
    case BoxIcon::Error:
      return L" (error)";
    case BoxIcon::Warning:
      return L" (warning)";
    case BoxIcon::Information:
      return L" (information)";
    case BoxIcon::None:
      break;
  }
  return L"";
}

std::wstring KindOf(bool manual) { return manual ? L"[manual dialog] " : L"[message box] "; }

std::wstring LabelOf(const DialogView& view, int id) {
  for (size_t i = 0; i < view.buttonIds.size(); ++i) {
    if (view.buttonIds[i] == id) return LabelText(view.buttons[i]);
  }
  return L"button " + std::to_wstring(id);
}

// The separator the folder's path already uses, so the printed path reads
// naturally on Windows and under Wine alike.
std::wstring PicturePath(const std::wstring& folder, const std::wstring& name) {
  if (folder.back() == L'\\' || folder.back() == L'/') return folder + name;
  const bool slashes =
      folder.find(L'\\') == std::wstring::npos && folder.find(L'/') != std::wstring::npos;
  return folder + (slashes ? L"/" : L"\\") + name;
}

}  // namespace

DialogWatch::DialogWatch(DWORD processId, Options options, Printer print)
    : processId_(processId), options_(std::move(options)), print_(std::move(print)) {}

void DialogWatch::Poll() {
  shown_.erase(std::remove_if(shown_.begin(), shown_.end(),
                              [](const Shown& shown) {
                                // The manual dialog's Hide only hides it.
                                return !IsWindow(shown.view.window) ||
                                       (!IsWindowVisible(shown.view.window) && !shown.manual);
                              }),
               shown_.end());
  for (HWND window : VisibleDialogsOf(processId_)) {
    if (std::none_of(shown_.begin(), shown_.end(),
                     [&](const Shown& shown) { return shown.view.window == window; })) {
      Show(window);
    }
  }
  for (Shown& shown : shown_) {
    const bool hidden = !IsWindowVisible(shown.view.window);
    const bool away = hidden || IsIconic(shown.view.window);
    if (away != shown.minimised && !shown.answered) {
      shown.minimised = away;
      const std::wstring how = hidden ? L"hidden in the notification area" : L"minimised";
      Note(shown, !away ? L"shown again" : options_.keys ? how + L" (s = show it again)" : how);
    }
    if (!shown.answered && options_.answerAfterMs != INFINITE &&
        GetTickCount64() - shown.shownAt >= options_.answerAfterMs) {
      shown.answered = true;
      const int id = shown.manual ? IDC_REENABLE : DefaultButton(shown.view.window);
      Press(shown, id, L" after " + std::to_wstring(options_.answerAfterMs / 1000) + L" s");
    }
  }
}

void DialogWatch::OnKey(wchar_t key) {
  if (shown_.empty()) return;
  Shown& shown = shown_.back();
  key = std::towlower(key);
  if (key == L'\r' || key == L'\n') {
    Press(shown, DefaultButton(shown.view.window), L"");
  } else if (key == L's' && shown.minimised) {
    PostMessageW(shown.view.window, WM_SYSCOMMAND, SC_RESTORE, 0);
  } else {
    for (size_t i = 0; i < shown.view.buttons.size(); ++i) {
      if (Mnemonic(shown.view.buttons[i]) == key) Press(shown, shown.view.buttonIds[i], L"");
    }
  }
}

void DialogWatch::Show(HWND window) {
  Shown shown;
  shown.view = ReadDialog(window);
  shown.manual = IsManualDialog(window);
  shown.shownAt = GetTickCount64();
  shown.minimised = IsIconic(window) != FALSE;
  ++count_;
  const DialogView& view = shown.view;

  std::wstring lines = KindOf(shown.manual) + view.caption + IconName(view.icon) + L"\n";
  for (size_t start = 0; !view.text.empty() && start <= view.text.size();) {
    const size_t end = std::min(view.text.find(L'\n', start), view.text.size());
    const std::wstring line = view.text.substr(start, end - start);
    lines += (line.empty() ? L"" : L"    ") + line + L"\n";
    start = end + 1;
  }
  std::wstring buttons, keys;
  for (const std::wstring& label : view.buttons) {
    buttons += (buttons.empty() ? L"    [" : L"  [") + LabelText(label) + L"]";
    if (const wchar_t key = Mnemonic(label)) {
      keys += std::wstring(1, key) + L" = " + LabelText(label) + L", ";
    }
  }
  lines += buttons + L"\n";
  if (!options_.picturesFolder.empty()) {
    const std::wstring path = PicturePath(
        options_.picturesFolder,
        std::to_wstring(count_) + (shown.manual ? L"-manual-dialog.png" : L"-message-box.png"));
    lines += (SavePng(view.picture, path) ? L"    picture: " : L"    picture not saved: ") + path +
             L"\n";
  }
  if (options_.keys) {
    lines += L"    keys: " + keys + L"Enter = " + LabelOf(view, DefaultButton(window)) + L"\n";
  }
  print_(lines);
  shown_.push_back(std::move(shown));
}

void DialogWatch::Press(Shown& shown, int id, const std::wstring& how) {
  PressButton(shown.view.window, id);
  if (!shown.manual || id != IDCANCEL) shown.answered = true;  // Hide only hides it
  Note(shown, L"pressed " + LabelOf(shown.view, id) + how);
}

void DialogWatch::Note(const Shown& shown, const std::wstring& event) {
  print_(KindOf(shown.manual) + shown.view.caption + L": " + event + L"\n");
}
