// The ways PROGRAM starts when CreateProcessW alone cannot: the choice as a
// table, then the ways that are waited for (ManualDialogTest and FailureTest
// have the others), with --tree's way out of a launcher's job before Windows 8.
#include <windows.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <gtest/gtest.h>

#include "app/launch/LaunchWay.h"
#include "app/launch/ShellCom.h"
#include "Harness.h"

namespace {

// A shortcut to `probe`, made as Explorer makes one: its arguments, and
// `folder` to start in.
void MakeShortcut(const std::wstring& path, const Probe& probe, const std::wstring& folder) {
  const ComApartment com;
  ComPointer<IShellLinkW> link;
  ComPointer<IPersistFile> file;
  CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, link.put());
  const std::wstring& commandLine = probe.CommandLine();
  link->SetPath(ProbeExe().c_str());
  link->SetArguments(commandLine.substr(commandLine.find(L' ', ProbeExe().size()) + 1).c_str());
  link->SetWorkingDirectory(folder.c_str());
  link->QueryInterface(IID_IPersistFile, file.put());
  ASSERT_EQ(file->Save(path.c_str(), TRUE), S_OK);
}

}  // namespace

TEST(LaunchWay, FollowsFromWhatProgramLooksLikeAndWhyCreateProcessRefusedIt) {
  const struct {
    const wchar_t* program;
    DWORD error;
    bool elevated;
    LaunchWay way;
  } rows[] = {
      {L"C:\\Games\\game.exe", ERROR_ELEVATION_REQUIRED, false, LaunchWay::StartElevated},
      // Never Hushpad as administrator again and again.
      {L"C:\\Games\\game.exe", ERROR_ELEVATION_REQUIRED, true, LaunchWay::ReportError},
      {L"C:\\Games\\game.exe", ERROR_FILE_NOT_FOUND, false, LaunchWay::ReportError},
      {L"C:\\Games\\Game.LNK", ERROR_BAD_EXE_FORMAT, false, LaunchWay::ResolveShortcut},
      {L"C:\\Games\\missing.lnk", ERROR_FILE_NOT_FOUND, false, LaunchWay::ReportError},
      {L"C:\\Games\\Game.url", ERROR_BAD_EXE_FORMAT, false, LaunchWay::OpenThroughShell},
      {L"com.epicgames.launcher://apps/x", ERROR_INVALID_NAME, true, LaunchWay::OpenThroughShell},
      {L"C:game.exe", ERROR_FILE_NOT_FOUND, false, LaunchWay::ReportError},  // a drive
      {L"1a:game.exe", ERROR_FILE_NOT_FOUND, false, LaunchWay::ReportError},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(ChooseLaunchWay(FormOf(row.program), row.error, row.elevated), row.way)
        << testing::PrintToString(std::wstring(row.program)) << " " << row.error;
  }
}

TEST(LaunchWays, WhatStartsAnotherWayIsWaitedForWithItsWholeFamily) {
  wchar_t current[MAX_PATH] = {};
  GetCurrentDirectoryW(MAX_PATH, current);
  const std::wstring startIn = TestFolder() + L"start in";
  CreateDirectoryW(startIn.c_str(), nullptr);
  // Wine never asks for administrator rights, and takes itself for Windows 7
  // but nests jobs: the test build's fault points and stand-in for UAC show
  // what Windows does. Held in its start-up until it is in the launcher's job,
  // Hushpad finds that PROGRAM cannot join a job of its own there.
  enum Way { kShortcut, kAdministrator, kLaunchersJob };
  const wchar_t* faults[] = {L"", L"CreateChildProcess:740",
                             L"ChooseStartRole:0:1500,AssignProcessToJobObject:5:0:1"};
  for (const Way way : {kShortcut, kAdministrator, kLaunchersJob}) {
    SCOPED_TRACE(way);
    const std::wstring descendantEvent = UniqueName(L"HushpadDescendant");
    UniqueHandle descendantGo(CreateEventW(nullptr, TRUE, FALSE, descendantEvent.c_str()));
    Probe probe(L"\"a b\" c\\\"d /spawn:" + descendantEvent);
    // A shortcut's own arguments come first, in its start folder. The copy run
    // as administrator gets every argument exactly, and starts in this folder.
    const std::wstring link = TestFolder() + UniqueName(L"My Game") + L".lnk";
    const std::wstring extra = way == kShortcut ? L" extra \"an extra\"" : L"";
    if (way == kShortcut) MakeShortcut(link, probe, startIn);
    const std::wstring typed =
        way == kShortcut ? L"\"" + link + L"\"" + extra : probe.CommandLine();
    const std::wstring arguments = L"--tree=1 -- " + typed;
    Hushpad hushpad(arguments, faults[way],
                    way == kAdministrator ? SECURITY_MANDATORY_MEDIUM_RID : 0);
    UniqueHandle job(way == kLaunchersJob ? CreateJobObjectW(nullptr, nullptr) : nullptr);
    if (job) {
      JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
      limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_BREAKAWAY_OK;
      SetInformationJobObject(job.get(), JobObjectExtendedLimitInformation, &limits, sizeof limits);
      UniqueHandle process(
          OpenProcess(PROCESS_SET_QUOTA | PROCESS_TERMINATE, FALSE, hushpad.Pid()));
      ASSERT_TRUE(AssignProcessToJobObject(job.get(), process.get()));
    }
    ASSERT_TRUE(probe.WaitForReport());
    EXPECT_EQ(probe.ReportedCommandLine(), probe.CommandLine() + extra);
    EXPECT_EQ(probe.ReportedFolder(), way == kShortcut ? startIn : current);
    if (job) {
      UniqueHandle child(OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, probe.Pid()));
      BOOL inJob = TRUE;
      EXPECT_TRUE(IsProcessInJob(child.get(), job.get(), &inJob) && !inJob) << "left the job";
    }
    probe.Release();
    ASSERT_NE(ReportedPid(probe.ReportPath() + L".grandchild"), 0u);
    PumpMessages(500);
    EXPECT_TRUE(hushpad.Running()) << "waits for the whole family";
    SetEvent(descendantGo.get());
    ASSERT_TRUE(hushpad.ExitsWithZero());
    Lines traces = Concat({kSuppressed, {LaunchingTrace(typed)}});
    if (way == kShortcut) traces.push_back(LaunchingTrace(probe.CommandLine() + extra));
    traces = way == kAdministrator ? Concat({traces, RunAsTraces(arguments), kRestored})
                                   : Concat({traces, {kFamilyEnded}, kRestored});
    EXPECT_EQ(hushpad.Traces(), traces);
  }
}
