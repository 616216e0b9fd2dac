#pragma once

#include <windows.h>

// Shows the manual dialog (IDD_MANUAL) modally until the user chooses
// "&Re-enable Keys". Among all copies at most one shows it, as the owner of the
// "-manual" mutex; when another copy already shows it, returns at once. Throws
// Win32Error IDS_MUTEX_ERROR when that mutex can be neither created nor opened,
// or is not one of Hushpad's (NamedObjectSecurity::CheckExisting).
void ShowManualDialog();

// From now on the manual dialog shows, under its sentence, a line that says
// whether the Windows key is off right now and why (KeysStateText for
// `records`), and follows the window in front: for a copy whose wish is
// scoped. Call it before ShowManualDialog; `records` outlive the dialog.
void ScopeManualDialog(void* records) noexcept;

// IDD_MANUAL's procedure: shows the dialog without activating it; IDCANCEL
// ("&Hide", Escape, the close box) hides it into an icon in the notification
// area, or minimises it where there is none; a click on the icon shows it
// again, and the icon's menu has Show and Re-enable Keys. Any other command
// ends it with that command as the result.
INT_PTR CALLBACK ManualDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) noexcept;
