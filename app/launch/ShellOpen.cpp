#include "app/launch/ShellOpen.h"

#include <windows.h>
#include <shellapi.h>

#include "app/dialog/ManualDialog.h"
#include "app/launch/ShellCom.h"

DWORD RunThroughShell(const std::wstring& file, const std::wstring& parameters, CopyEntry& entry) {
  SHELLEXECUTEINFOW info{};
  info.cbSize = sizeof info;
  // Synchronous, for the apartment ends right after the call.
  info.fMask = SEE_MASK_FLAG_NO_UI | SEE_MASK_NOASYNC;
  info.lpFile = file.c_str();
  info.lpParameters = parameters.empty() ? nullptr : parameters.c_str();
  info.nShow = SW_SHOWNORMAL;
  {
    const ComApartment com;
    if (!ShellExecuteExW(&info)) return GetLastError();
  }
  OutputDebugStringW(
      L"Hushpad: PROGRAM was opened by the program registered for it; press Re-enable Keys when "
      L"the game has ended.\n");
  entry.Want(kWantsKeysOff);
  ShowManualDialog();
  return ERROR_SUCCESS;
}
