#include "app/dialog/ManualDialog.h"

#include <optional>

#include "app/copies/InstanceNames.h"
#include "app/copies/NamedObjectSecurity.h"
#include "app/dialog/FrontWatch.h"
#include "app/dialog/KeysState.h"
#include "app/dialog/TrayIcon.h"
#include "res/resource.h"
#include "text/ResourceText.h"
#include "text/ScopeGuard.h"
#include "text/Win32Error.h"

namespace {

// The copies' records, when this copy's wish is scoped; null otherwise.
void* g_scopedRecords = nullptr;

// Posted by the FrontWatch; sent by the notification area for the icon.
constexpr UINT kFrontChanged = WM_APP + 1;
constexpr UINT kIconEvent = WM_APP + 2;

// The icon of the hidden dialog, from its WM_INITDIALOG to its WM_DESTROY.
std::optional<TrayIcon> g_icon;

HICON LoadSmallIcon(int id) noexcept {
  return static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id), IMAGE_ICON,
                                       GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON),
                                       LR_SHARED));
}

// The status line's text and the icon's picture and tooltip, as things stand
// now: the status line when there is one, the sentence otherwise.
void ShowKeysState(HWND dialog) noexcept {
  const UINT state = g_scopedRecords ? KeysStateText(g_scopedRecords) : IDS_KEYS_OFF;
  try {
    const std::wstring text = LoadResourceString(nullptr, state);
    if (g_scopedRecords) SetDlgItemTextW(dialog, IDC_STATUS, text.c_str());
    if (g_icon->Shown()) {
      const bool on = state == IDS_KEYS_ON || state == IDS_KEYS_ON_ABOVE_HOOKS;
      g_icon->Show(LoadSmallIcon(on ? IDI_KEYS_ON : IDI_HUSHPAD), text.c_str());
    }
  } catch (...) {  // without memory for it, the line keeps its last text
  }
}

// Hide: into the notification area, off the screen and the taskbar; where
// there is none, minimised.
void Hide(HWND dialog) noexcept {
  if (g_icon->Show(LoadSmallIcon(IDI_HUSHPAD), L"Hushpad")) {
    ShowWindow(dialog, SW_HIDE);
    ShowKeysState(dialog);
  } else {
    ShowWindow(dialog, SW_MINIMIZE);
  }
}

void ShowAgain(HWND dialog) noexcept {
  g_icon->Remove();
  ShowWindow(dialog, SW_SHOWNORMAL);
  SetForegroundWindow(dialog);
}

// The icon's menu, at the mouse pointer: Show and Re-enable Keys.
void ShowIconMenu(HWND dialog) noexcept {
  const HMENU bar = LoadMenuW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDM_ICON));
  if (!bar) return;
  POINT at{};
  GetCursorPos(&at);
  // Without the foreground the menu would not close when the user clicks
  // elsewhere ("TrackPopupMenu", Remarks).
  SetForegroundWindow(dialog);
  const UINT chosen = static_cast<UINT>(
      TrackPopupMenu(GetSubMenu(bar, 0), TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_BOTTOMALIGN, at.x,
                     at.y, 0, dialog, nullptr));
  PostMessageW(dialog, WM_NULL, 0, 0);
  DestroyMenu(bar);
  if (chosen == IDC_SHOW) ShowAgain(dialog);
  if (chosen == IDC_REENABLE) EndDialog(dialog, IDC_REENABLE);
}

// Adds the status line under the sentence, the buttons moving down to make
// room for it, and follows the window in front.
void AddStatusLine(HWND dialog) noexcept {
  RECT line{14, 30, 154, 46}, shift{0, 0, 0, 16};
  MapDialogRect(dialog, &line);
  MapDialogRect(dialog, &shift);
  const HWND status =
      CreateWindowExW(0, L"STATIC", nullptr, WS_CHILD | WS_VISIBLE | SS_LEFT, line.left, line.top,
                      line.right - line.left, line.bottom - line.top, dialog,
                      reinterpret_cast<HMENU>(static_cast<UINT_PTR>(IDC_STATUS)), nullptr, nullptr);
  SendMessageW(status, WM_SETFONT, SendMessageW(dialog, WM_GETFONT, 0, 0), FALSE);
  for (const int id : {IDCANCEL, IDC_REENABLE}) {
    const HWND button = GetDlgItem(dialog, id);
    RECT place{};
    GetWindowRect(button, &place);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&place), 2);
    SetWindowPos(button, nullptr, place.left, place.top + shift.bottom, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  RECT frame{};
  GetWindowRect(dialog, &frame);
  SetWindowPos(dialog, nullptr, frame.left, frame.top - shift.bottom / 2, frame.right - frame.left,
               frame.bottom - frame.top + shift.bottom, SWP_NOZORDER | SWP_NOACTIVATE);
  ShowKeysState(dialog);
}

}  // namespace

void ScopeManualDialog(void* records) noexcept { g_scopedRecords = records; }

void ShowManualDialog() {
  NamedObjectSecurity& security = NamedObjectSecurity::ForThisProcess();
  if (security.Error()) throw Win32Error{IDS_MUTEX_ERROR, security.Error()};
  HANDLE mutex = CreateMutexW(security.Attributes(), TRUE, kManualMutexName);
  const DWORD error = GetLastError();  // read on success too: it tells who owns the mutex
  if (!mutex) throw Win32Error{IDS_MUTEX_ERROR, error};
  ScopeGuard closeMutex(CloseHandle, mutex);
  if (error == ERROR_ALREADY_EXISTS) {
    if (const DWORD foreign = security.CheckExisting(mutex))
      throw Win32Error{IDS_MUTEX_ERROR, foreign};
    return;  // another copy shows the dialog
  }

  ScopeGuard releaseMutex(ReleaseMutex, mutex);
  DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_MANUAL), nullptr,
                  ManualDialogProc, 0);
}

INT_PTR CALLBACK ManualDialogProc(HWND dialog, UINT message, WPARAM wParam,
                                  LPARAM lParam) noexcept {
  // Lives as long as the dialog: from its WM_INITDIALOG to its WM_DESTROY.
  static std::optional<FrontWatch> watch;
  // Sent to every top-level window when Explorer starts again, with a new
  // notification area.
  static const UINT taskbarCreated = RegisterWindowMessageW(L"TaskbarCreated");
  if (message == taskbarCreated && taskbarCreated) {
    // A hidden dialog without its icon would be out of the user's reach.
    if (!g_icon->Restore()) ShowWindow(dialog, SW_SHOWMINNOACTIVE);
    return TRUE;
  }
  switch (message) {
    case WM_INITDIALOG:
      g_icon.emplace(dialog, kIconEvent);
      // Explorer runs at medium integrity, and this copy may not.
      ChangeWindowMessageFilter(taskbarCreated, MSGFLT_ADD);
      SendMessageW(dialog, WM_SETICON, ICON_SMALL,
                   reinterpret_cast<LPARAM>(LoadSmallIcon(IDI_HUSHPAD)));
      if (g_scopedRecords) {
        AddStatusLine(dialog);
        watch.emplace(dialog, kFrontChanged);
      }
      // Visible before the dialog manager would show it with activation.
      ShowWindow(dialog, SW_SHOWNA);
      return TRUE;
    case kFrontChanged:
      ShowKeysState(dialog);
      return TRUE;
    case kIconEvent:
      if (lParam == WM_LBUTTONUP) ShowAgain(dialog);
      if (lParam == WM_RBUTTONUP) ShowIconMenu(dialog);
      return TRUE;
    case WM_SYSCOMMAND:
      // Restoring the hidden dialog (as a tool may ask) brings it back as the
      // icon does.
      if ((wParam & 0xFFF0) != SC_RESTORE || IsWindowVisible(dialog)) return FALSE;
      ShowAgain(dialog);
      return TRUE;
    case WM_COMMAND:
      if (wParam == IDCANCEL) {
        Hide(dialog);
      } else {
        EndDialog(dialog, static_cast<INT_PTR>(wParam));
      }
      return TRUE;
    case WM_DESTROY:
      watch.reset();
      g_icon.reset();
      return FALSE;
    default:
      return FALSE;
  }
}
