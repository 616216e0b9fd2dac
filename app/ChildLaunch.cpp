#include "app/ChildLaunch.h"

#include "app/FaultPoints.h"
#include "app/ManualDialog.h"
#include "app/ProcessWatch.h"
#include "res/resource.h"
#include "text/ErrorBox.h"
#include "text/ResourceText.h"
#include "text/ScopeGuard.h"
#include "text/SystemErrorText.h"
#include "text/TextUtil.h"

void LaunchProgram(wchar_t* commandLine, const std::wstring& program, bool manual, HWND window) {
  DebugTrace(L"Hushpad: Launching: %s\n", commandLine);

  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION child{};
  HUSHPAD_PAUSE_POINT(CreateProcessW);
  if (!CreateProcessW(nullptr, commandLine, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &child)) {
    const DWORD error = GetLastError();
    ShowErrorMessage(FormatResourceMessage(IDS_LAUNCH_ERROR, nullptr, program.c_str(),
                                           SystemErrorText(error).c_str()));
    return;
  }
  ScopeGuard closeProcess(CloseHandle, child.hProcess);
  ScopeGuard closeThread(CloseHandle, child.hThread);

  if (manual) {
    ShowManualDialog();
  } else {
    WaitForProcessExit(child.hProcess, window);
  }
}
