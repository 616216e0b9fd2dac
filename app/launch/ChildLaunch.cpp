#include "app/launch/ChildLaunch.h"

#include <versionhelpers.h>

#include <utility>

#include "app/dialog/ManualDialog.h"
#include "app/FaultPoints.h"
#include "app/launch/ElevatedStart.h"
#include "app/launch/LaunchWay.h"
#include "app/launch/ProcessWatch.h"
#include "app/launch/ProgramFamily.h"
#include "app/launch/ShellOpen.h"
#include "app/launch/Shortcut.h"
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

// A command line that CreateProcessW starts: PROGRAM with its ARGUMENTS, or
// a shortcut's target.
struct Launch {
  std::wstring commandLine;
  std::wstring folder;   // to start in; empty: this copy's current folder
  std::wstring program;  // what the launch box names when it cannot start
};

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
  // Named apart from the pause point, so that a test can slow the call
  // without failing it.
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

// The ordinary way: `launch` started with CreateProcessW, and waited for or
// not as LaunchProgram describes; failures after its creation are reported.
// Returns CreateProcessW's error, having shown nothing, or 0 once the run is
// over.
DWORD RunProgram(const Launch& launch, const LaunchRequest& request, HWND window,
                 CopyEntry& entry) {
  DebugTrace(L"Hushpad: Launching: %s\n", launch.commandLine.c_str());
  const wchar_t* folder = launch.folder.empty() ? nullptr : launch.folder.c_str();
  // CreateProcessW writes into the command line it is given: one for each
  // creation, made before anything starts, so that nothing that can throw
  // stands between a suspended creation and the resume.
  std::wstring childCommandLine = launch.commandLine, breakawayCommandLine = launch.commandLine;
  Child child;
  // A family's first member starts suspended, so that it cannot start another
  // before it is followed.
  if (const DWORD error = CreateChild(childCommandLine.data(), folder,
                                      request.family ? CREATE_SUSPENDED : 0, child)) {
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
    Child breakawayChild;
    if (MayLeaveOwnJob(followError) && CreateChild(breakawayCommandLine.data(), folder,
                                                   CREATE_SUSPENDED | CREATE_BREAKAWAY_FROM_JOB,
                                                   breakawayChild) == ERROR_SUCCESS) {
      TerminateProcess(child.process.get(), ERROR_CANCELLED);  // it never ran
      child = std::move(breakawayChild);
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
      ShowLaunchError(launch.program, error);
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

// The shortcut's target, started as PROGRAM would be: in the shortcut's start
// folder, with the shortcut's arguments and then PROGRAM's own.
Launch TargetLaunch(const ShortcutTarget& target, const LaunchRequest& request) {
  std::wstring commandLine = QuoteArgument(target.path);
  if (!target.arguments.empty()) commandLine += L' ' + target.arguments;
  const std::wstring extra = JoinArguments(request.arguments, request.program + 1);
  if (!extra.empty()) commandLine += L' ' + extra;
  return {commandLine, target.folder, target.path};
}

// Takes `way` for PROGRAM after `failed` (PROGRAM, or a shortcut's target)
// could not be started for `error`; what starts in no way is reported with
// the reason of the last way tried.
void TakeWay(LaunchWay way, const std::wstring& failed, DWORD error, const LaunchRequest& request,
             HWND window, CopyEntry& entry) {
  const std::wstring& program = request.arguments[request.program];
  if (way == LaunchWay::StartElevated) {
    if (const DWORD startError = RunElevatedCopy(request.arguments, window)) {
      ShowLaunchError(program, startError);
    }
    return;
  }
  if (way == LaunchWay::OpenThroughShell) {
    // What the user named, a shortcut rather than its target among them.
    error = RunThroughShell(program, JoinArguments(request.arguments, request.program + 1), entry);
    if (error == ERROR_SUCCESS) return;
  }
  ShowLaunchError(failed, error);
}

}  // namespace

void LaunchProgram(const LaunchRequest& request, HWND window, CopyEntry& entry) {
  Launch launch{
      JoinArguments(request.arguments, request.program), {}, request.arguments[request.program]};
  DWORD error = RunProgram(launch, request, window, entry);
  if (error == ERROR_SUCCESS) return;
  const TOKEN_ELEVATION_TYPE elevation = OwnElevationType();
  LaunchWay way = ChooseLaunchWay(FormOf(launch.program), error, elevation);
  if (way == LaunchWay::ResolveShortcut) {
    ShortcutTarget target;
    if (const HRESULT read = ReadShortcut(launch.program, target); FAILED(read)) {
      way = LaunchWay::ReportError;
      error = static_cast<DWORD>(read);
    } else if (target.path.empty()) {
      way = LaunchWay::OpenThroughShell;  // as Explorer hands on a shortcut to no file
    } else if (target.runAsAdministrator && MayStartElevated(elevation)) {
      way = LaunchWay::StartElevated;
    } else {
      launch = TargetLaunch(target, request);
      error = RunProgram(launch, request, window, entry);
      if (error == ERROR_SUCCESS) return;
      // Taken as a file whatever its name, so that no shortcut is resolved twice.
      way = ChooseLaunchWay(ProgramForm::File, error, elevation);
    }
  }
  TakeWay(way, launch.program, error, request, window, entry);
}
