#include "app/ManualDialog.h"

#include <optional>

#include "app/FrontWatch.h"
#include "app/InstanceNames.h"
#include "app/KeysState.h"
#include "app/NamedObjectSecurity.h"
#include "res/resource.h"
#include "text/ResourceText.h"
#include "text/ScopeGuard.h"
#include "text/Win32Error.h"

namespace {

// The copies' records, when this copy's wish is scoped; null otherwise.
void* g_scopedRecords = nullptr;

// Posted by the FrontWatch.
constexpr UINT kFrontChanged = WM_APP + 1;

// The status line's text, as things stand now.
void ShowKeysState(HWND dialog) noexcept {
  try {
    const std::wstring text = LoadResourceString(nullptr, KeysStateText(g_scopedRecords));
    SetDlgItemTextW(dialog, IDC_STATUS, text.c_str());
  } catch (...) {  // without memory for it, the line keeps its last text
  }
}

// Adds the status line under the sentence, the buttons moving down to make
// room for it, and follows the window in front.
void AddStatusLine(HWND dialog) noexcept {
  RECT line{14, 30, 154, 46}, shift{0, 0, 0, 16};
  MapDialogRect(dialog, &line);
  MapDialogRect(dialog, &shift);
  const HWND status = CreateWindowExW(
      0, L"STATIC", nullptr, WS_CHILD | WS_VISIBLE | SS_LEFT, line.left, line.top,
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

INT_PTR CALLBACK ManualDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) noexcept {
  // Lives as long as the dialog: from its WM_INITDIALOG to its WM_DESTROY.
  static std::optional<FrontWatch> watch;
  switch (message) {
    case WM_INITDIALOG:
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
    case WM_COMMAND:
      if (wParam == IDCANCEL) {
        ShowWindow(dialog, SW_MINIMIZE);
      } else {
        EndDialog(dialog, static_cast<INT_PTR>(wParam));
      }
      return TRUE;
    case WM_DESTROY:
      watch.reset();
      return FALSE;
    default:
      return FALSE;
  }
}
