// The ways PROGRAM starts when CreateProcessW alone cannot: the choice as a
// table, then the ways that are waited for (ManualDialogTest and FailureTest
// have the others), with --tree's way out of a launcher's job before Windows 8.
#include <windows.h>

#include <gtest/gtest.h>

#include <set>

#include "app/launch/LaunchWay.h"
#include "app/launch/ProgramFilesPath.h"
#include "Harness.h"

TEST(LaunchWay, FollowsFromWhatProgramLooksLikeAndWhyCreateProcessRefusedIt) {
  constexpr TOKEN_ELEVATION_TYPE limited = TokenElevationTypeLimited, full = TokenElevationTypeFull,
                                 standard = TokenElevationTypeDefault;
  const struct {
    const wchar_t* program;
    DWORD error;
    TOKEN_ELEVATION_TYPE elevation;
    LaunchWay way;
  } rows[] = {
      {L"C:\\Games\\game.exe", ERROR_ELEVATION_REQUIRED, limited, LaunchWay::StartElevated},
      // Never Hushpad as administrator again and again.
      {L"C:\\Games\\game.exe", ERROR_ELEVATION_REQUIRED, full, LaunchWay::ReportError},
      // Another account's copy could not join this one's.
      {L"C:\\Games\\game.exe", ERROR_ELEVATION_REQUIRED, standard, LaunchWay::ReportError},
      {L"C:\\Games\\game.exe", ERROR_FILE_NOT_FOUND, limited, LaunchWay::ReportError},
      {L"C:\\Games\\Game.LNK", ERROR_BAD_EXE_FORMAT, limited, LaunchWay::ResolveShortcut},
      {L"C:\\Games\\missing.lnk", ERROR_FILE_NOT_FOUND, limited, LaunchWay::ReportError},
      {L"C:\\Games\\Game.url", ERROR_BAD_EXE_FORMAT, limited, LaunchWay::OpenThroughShell},
      {L"com.epicgames.launcher://apps/x", ERROR_INVALID_NAME, full, LaunchWay::OpenThroughShell},
      {L"C:game.exe", ERROR_FILE_NOT_FOUND, limited, LaunchWay::ReportError},  // a drive
      {L"1a:game.exe", ERROR_FILE_NOT_FOUND, limited, LaunchWay::ReportError},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(ChooseLaunchWay(FormOf(row.program), row.error, row.elevation), row.way)
        << testing::PrintToString(std::wstring(row.program)) << " " << row.error;
  }
}

// A 64-bit program's shortcut as this 32-bit program reads it; common files moved.
TEST(LaunchWay, AShortcutsPathInTheWowProgramFilesIsTheNativeOneWhereOnlyThatExists) {
  const std::vector<ProgramFilesFolders> folders{
      {L"C:\\Program Files (x86)\\Common Files", L"D:\\Common Files"},
      {L"C:\\Program Files (x86)", L"C:\\Program Files"}};
  const std::set<std::wstring> existing{L"C:\\Program Files\\Game\\game.exe",
                                        L"C:\\Program FilesGame", L"C:\\Program Files (x86)\\Both",
                                        L"C:\\Program Files\\Both", L"D:\\Common Files\\tool.exe"};
  const std::pair<std::wstring, std::wstring> rows[] = {
      {L"C:\\Program Files (x86)\\Game\\game.exe", L"C:\\Program Files\\Game\\game.exe"},
      {L"c:\\PROGRAM FILES (X86)\\Game\\game.exe", L"C:\\Program Files\\Game\\game.exe"},
      {L"C:\\Program Files (x86)Game", L"C:\\Program Files (x86)Game"},
      {L"C:\\Program Files (x86)\\Both", L"C:\\Program Files (x86)\\Both"},
      {L"C:\\Program Files (x86)\\Gone\\game.exe", L"C:\\Program Files (x86)\\Gone\\game.exe"},
      {L"C:\\Program Files (x86)\\Common Files\\tool.exe", L"D:\\Common Files\\tool.exe"},
  };
  for (const auto& [path, started] : rows) {
    EXPECT_EQ(ProgramFilesPath(path, folders, [&](auto& file) { return existing.count(file) > 0; }),
              started);
  }
}

TEST(LaunchWays, WhatStartsAnotherWayIsWaitedForWithItsWholeFamily) {
  wchar_t current[MAX_PATH] = {};
  GetCurrentDirectoryW(MAX_PATH, current);
  const std::wstring startIn = TestFolder() + L"start in";
  CreateDirectoryW(startIn.c_str(), nullptr);
  // The shortcut's start folder as a 32-bit program reads a 64-bit program's.
  const wchar_t* const versionKey = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion";
  const std::pair<const wchar_t*, std::wstring> folders[] = {
      {L"ProgramFilesDir (x86)", TestFolder() + L"x86"},
      {L"ProgramW6432Dir", TestFolder().substr(0, TestFolder().size() - 1)}};
  for (const auto& [value, folder] : folders)
    RegSetKeyValueW(HKEY_LOCAL_MACHINE, versionKey, value, REG_SZ, folder.c_str(),
                    static_cast<DWORD>((folder.size() + 1) * sizeof(wchar_t)));
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
    if (way == kShortcut) MakeShortcut(link, probe.CommandLine(), TestFolder() + L"x86\\start in");
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
  for (const auto& [value, folder] : folders)
    RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, versionKey, value);
}
