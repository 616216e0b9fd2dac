#include "app/ChildLaunch.h"

#include <versionhelpers.h>

#include <utility>

#include "app/ElevatedStart.h"
#include "app/FaultPoints.h"
#include "app/LaunchWay.h"
#include "app/ManualDialog.h"
#include "app/ProcessWatch.h"
#include "app/ProgramFamily.h"
#include "app/ShellOpen.h"
#include "app/Shortcut.h"
#include "res/resource.h"
#include "text/ErrorBox.h"
#include "text/JoinArguments.h"
#include "text/QuoteArgument.h"
#include "text/ResourceText.h"
#include "text/SystemErrorText.h"
#include "text/TextUtil.h"
#include "text/UniqueHandle.h"

namespace {

void ShowLaunchError(const std::wstring& program, DWORD error) {
  ShowErrorMessage(FormatResourceMessage(IDS_LAUNCH_ERROR, nullptr, program.c_str(),
                                         SystemErrorText(error, program).c_str()));
}

struct Child {
  UniqueHandle process;
  UniqueHandle thread;
  DWORD id = 0;
};

// CreateProcessW of `commandLine`, which it may write into, in `folder` (null:
// this copy's current folder). Returns its error.
DWORD CreateChild(wchar_t* commandLine, const wchar_t* folder, DWORD flags, Child& child) noexcept {
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION created{};
  HUSHPAD_PAUSE_POINT(CreateProcessW);
  // Named apart from the pause point above: a setting that pauses CreateProcessW
  // must not fail it too.
  if (HUSHPAD_FAULT_POINT(CreateChildProcess) ||
      !CreateProcessW(nullptr, commandLine, nullptr, nullptr, FALSE, flags, nullptr, folder,
                      &startup, &created)) {
    return GetLastError();
  }
  child.process.reset(created.hProcess);
  child.thread.reset(created.hThread);
  child.id = created.dwProcessId;
  return ERROR_SUCCESS;
}

// Whether a program that could not join this copy's job for `followError`
// may leave the job that this copy runs in instead. Before Windows 8 a process
// is in one job at most ("AssignProcessToJobObject", Remarks), so under a
// launcher that runs its programs in a job, leaving it is the only way to be
// followed; CreateProcessW refuses it where that job forbids it. From Windows
// 8 on, jobs nest, and such a failure has another cause.
bool MayLeaveOwnJob(DWORD followError) noexcept {
  BOOL inJob = FALSE;
  return followError == ERROR_ACCESS_DENIED && !IsWindows8OrGreater() &&
         IsProcessInJob(GetCurrentProcess(), nullptr, &inJob) && inJob;
}

// The ordinary way: `commandLine` started with CreateProcessW in `folder`
// (null: this copy's), and waited for or not as LaunchProgram describes;
// failures after its creation are reported naming `program`. Returns
// CreateProcessW's error, having shown nothing, or 0 once the run is over.
DWORD RunProgram(const std::wstring& commandLine, const wchar_t* folder,
                 const std::wstring& program, const LaunchRequest& request, HWND window,
                 CopyEntry& entry) {
  DebugTrace(L"Hushpad: Launching: %s\n", commandLine.c_str());
  // Made before anything starts: nothing that can throw may stand between a
  // suspended creation and the resume.
  std::wstring writable = commandLine, again = commandLine;
  Child child;
  // A family's first member starts suspended, so that it cannot start another
  // before it is followed.
  if (const DWORD error =
          CreateChild(writable.data(), folder, request.family ? CREATE_SUSPENDED : 0, child)) {
    return error;
  }
  bool manual = request.manual;
  if (request.family) {
    // A family whose windows count for --focus is followed in a job that the
    // hook of any copy can open.
    ProgramFamily followed;
    const bool named = entry.InFront();
    const auto follow = [&] {
      return FollowFamily(child.process.get(), followed,
                          named ? FamilyJobName(GetCurrentProcessId(), child.id).text : nullptr);
    };
    DWORD followError = follow();
    Child away;
    if (MayLeaveOwnJob(followError) &&
        CreateChild(again.data(), folder, CREATE_SUSPENDED | CREATE_BREAKAWAY_FROM_JOB, away) ==
            ERROR_SUCCESS) {
      TerminateProcess(child.process.get(), ERROR_CANCELLED);  // it never ran
      child = std::move(away);
      followError = follow();
    }
    // Before it runs: no window of the game may show unaccounted for.
    entry.SetProgram(child.id, named && !followError);
    if (HUSHPAD_FAULT_POINT(ResumeThread) ||
        ResumeThread(child.thread.get()) == static_cast<DWORD>(-1)) {
      const DWORD error = GetLastError();
      // It has not run a single instruction: ending it is the same as not
      // having started it.
      TerminateProcess(child.process.get(), error);
      ShowLaunchError(program, error);
      return ERROR_SUCCESS;
    }
    if (!followError) {
      WaitForFamilyExit(std::move(followed), window);
      return ERROR_SUCCESS;
    }
    // Waiting for PROGRAM alone could end the suppression while the rest of
    // the family, the game itself perhaps, runs on: the user ends it instead.
    DebugTrace(L"Hushpad: Unable to follow the programs that PROGRAM starts: %s\n",
               SystemErrorText(followError).c_str());
    manual = true;
    entry.Want(kWantsKeysOff);  // nothing tells which windows are the game's now
  } else {
    entry.SetProgram(child.id, false);
  }
  if (manual) {
    ShowManualDialog();
  } else {
    WaitForProcessExit(child.process.get(), window);
  }
  return ERROR_SUCCESS;
}

void RunShortcut(const LaunchRequest& request, DWORD error, HWND window, CopyEntry& entry);

// Takes `way` for PROGRAM after CreateProcessW refused `failed` (PROGRAM, or
// a shortcut's target) with `error`; what starts in no way is reported so.
void TakeWay(LaunchWay way, const std::wstring& failed, DWORD error, const LaunchRequest& request,
             HWND window, CopyEntry& entry) {
  const std::wstring& program = request.arguments[request.program];
  switch (way) {
    case LaunchWay::StartElevated:
      if (const DWORD startError = RunElevatedCopy(request.arguments, window)) {
        ShowLaunchError(program, startError);
      }
      return;
    case LaunchWay::ResolveShortcut:
      RunShortcut(request, error, window, entry);
      return;
    case LaunchWay::OpenThroughShell:
      // What the user named, a shortcut rather than its target among them.
      if (RunThroughShell(program, JoinArguments(request.arguments, request.program + 1), entry) ==
          ERROR_SUCCESS) {
        return;
      }
      break;
    case LaunchWay::ReportError:
      break;
  }
  ShowLaunchError(failed, error);
}

// PROGRAM is a shortcut: its target starts as PROGRAM would, in the
// shortcut's start folder, with the shortcut's arguments and then PROGRAM's
// own. One to no file goes to the shell, as Explorer hands it on.
void RunShortcut(const LaunchRequest& request, DWORD error, HWND window, CopyEntry& entry) {
  const std::wstring& shortcut = request.arguments[request.program];
  ShortcutTarget target;
  if (const HRESULT result = ReadShortcut(shortcut, target); FAILED(result)) {
    ShowLaunchError(shortcut, static_cast<DWORD>(result));
    return;
  }
  if (target.path.empty()) {
    TakeWay(LaunchWay::OpenThroughShell, shortcut, error, request, window, entry);
    return;
  }
  if (target.runAsAdministrator && !RunsElevated()) {
    TakeWay(LaunchWay::StartElevated, shortcut, error, request, window, entry);
    return;
  }
  std::wstring commandLine = QuoteArgument(target.path);
  if (!target.arguments.empty()) commandLine += L' ' + target.arguments;
  const std::wstring extra = JoinArguments(request.arguments, request.program + 1);
  if (!extra.empty()) commandLine += L' ' + extra;
  const DWORD targetError =
      RunProgram(commandLine, target.folder.empty() ? nullptr : target.folder.c_str(), target.path,
                 request, window, entry);
  // Taken as a file whatever its name, so that no shortcut is resolved twice.
  if (targetError != ERROR_SUCCESS) {
    TakeWay(ChooseLaunchWay(ProgramForm::File, targetError, RunsElevated()), target.path,
            targetError, request, window, entry);
  }
}

}  // namespace

void LaunchProgram(const LaunchRequest& request, HWND window, CopyEntry& entry) {
  const std::wstring& program = request.arguments[request.program];
  const DWORD error = RunProgram(JoinArguments(request.arguments, request.program), nullptr,
                                 program, request, window, entry);
  if (error != ERROR_SUCCESS) {
    TakeWay(ChooseLaunchWay(FormOf(program), error, RunsElevated()), program, error, request,
            window, entry);
  }
}
