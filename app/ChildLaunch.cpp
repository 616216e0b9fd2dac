#include "app/ChildLaunch.h"

#include <utility>

#include "app/FaultPoints.h"
#include "app/ManualDialog.h"
#include "app/ProcessWatch.h"
#include "app/ProgramFamily.h"
#include "res/resource.h"
#include "text/ErrorBox.h"
#include "text/ResourceText.h"
#include "text/ScopeGuard.h"
#include "text/SystemErrorText.h"
#include "text/TextUtil.h"

namespace {

void ShowLaunchError(const std::wstring& program, DWORD error) {
  ShowErrorMessage(FormatResourceMessage(IDS_LAUNCH_ERROR, nullptr, program.c_str(),
                                         SystemErrorText(error).c_str()));
}

}  // namespace

void LaunchProgram(wchar_t* commandLine, const std::wstring& program, bool manual, bool family,
                   HWND window, CopyEntry& entry) {
  DebugTrace(L"Hushpad: Launching: %s\n", commandLine);

  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION child{};
  HUSHPAD_PAUSE_POINT(CreateProcessW);
  // A family's first member starts suspended, so that it cannot start another
  // before it is followed.
  if (!CreateProcessW(nullptr, commandLine, nullptr, nullptr, FALSE, family ? CREATE_SUSPENDED : 0,
                      nullptr, nullptr, &startup, &child)) {
    ShowLaunchError(program, GetLastError());
    return;
  }
  ScopeGuard closeProcess(CloseHandle, child.hProcess);
  ScopeGuard closeThread(CloseHandle, child.hThread);

  if (family) {
    // Nothing that can throw stands between the creation and the resume, so
    // the child is never left suspended. A family whose windows count for
    // --focus is followed in a job that the hook of any copy can open.
    ProgramFamily followed;
    const bool named = entry.InFront();
    const DWORD followError = FollowFamily(
        child.hProcess, followed,
        named ? FamilyJobName(GetCurrentProcessId(), child.dwProcessId).text : nullptr);
    // Before it runs: no window of the game may show unaccounted for.
    entry.SetProgram(child.dwProcessId, named && !followError);
    if (HUSHPAD_FAULT_POINT(ResumeThread) ||
        ResumeThread(child.hThread) == static_cast<DWORD>(-1)) {
      const DWORD error = GetLastError();
      // It has not run a single instruction: ending it is the same as not
      // having started it.
      TerminateProcess(child.hProcess, error);
      ShowLaunchError(program, error);
      return;
    }
    if (!followError) {
      WaitForFamilyExit(std::move(followed), window);
      return;
    }
    // Waiting for PROGRAM alone could end the suppression while the rest of
    // the family, the game itself perhaps, runs on: the user ends it instead.
    DebugTrace(L"Hushpad: Unable to follow the programs that PROGRAM starts: %s\n",
               SystemErrorText(followError).c_str());
    manual = true;
    entry.Want(kWantsKeyOff);  // nothing tells which windows are the game's now
  } else {
    entry.SetProgram(child.dwProcessId, false);
  }
  if (manual) {
    ShowManualDialog();
  } else {
    WaitForProcessExit(child.hProcess, window);
  }
}
