#include "app/dialog/ManualDialog.h"

#include "app/copies/InstanceNames.h"
#include "app/copies/NamedObjectSecurity.h"
#include "res/resource.h"
#include "text/ScopeGuard.h"
#include "text/Win32Error.h"

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
  switch (message) {
    case WM_INITDIALOG:
      // Visible before the dialog manager would show it with activation.
      ShowWindow(dialog, SW_SHOWNA);
      return TRUE;
    case WM_COMMAND:
      if (wParam == IDCANCEL) {
        ShowWindow(dialog, SW_MINIMIZE);
      } else {
        EndDialog(dialog, static_cast<INT_PTR>(wParam));
      }
      return TRUE;
    default:
      return FALSE;
  }
}
