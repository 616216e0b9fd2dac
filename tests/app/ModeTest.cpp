// The modes of the command line: which box, dialog or child each form gives.
#include <gtest/gtest.h>

#include <algorithm>
#include <cwchar>

#include "Harness.h"

namespace {

// Runs Hushpad with `arguments`, expects exactly one box and no trace line,
// closes the box and expects exit code 0.
MessageBoxView OnlyBox(const std::wstring &arguments) {
  Hushpad hushpad(arguments);
  auto box = WaitForMessageBox(hushpad.Pid());
  EXPECT_TRUE(box.has_value()) << "no box for: " << testing::PrintToString(arguments);
  if (!box) return {};
  CloseMessageBox(*box);
  EXPECT_TRUE(hushpad.ExitsWithZero());
  EXPECT_TRUE(hushpad.Traces().empty()) << "the early modes create nothing and trace nothing";
  return *box;
}

const std::wstring kHelpText =
    std::wstring(L"Hushpad: Temporarily disables the Windows key and the accessibility keyboard "
                 L"shortcuts.\n\n") +
    kUsage +
    L"\nOptions:\n--manual \t\tShow a dialog box to re-enable keys manually.\n"
    L"--version\t\tShow version information.";

}  // namespace

TEST(Modes, NoProgramShowsUsageErrorAndCreatesNothing) {
  Probe neverStarted;  // keeps the test's names apart; not launched
  for (const std::wstring &arguments : std::vector<std::wstring>{L"", L"--manual=0"}) {
    const MessageBoxView box = OnlyBox(arguments);
    EXPECT_EQ(box.caption, L"Hushpad");
    EXPECT_EQ(box.text, std::wstring(L"No program specified.\n\n") + kUsage);
    EXPECT_EQ(box.icon, BoxIcon::Error);
    EXPECT_EQ(box.buttons, std::vector<std::wstring>{L"OK"});
  }
}

TEST(Modes, HelpFormsShowHelpBoxAndStartNothing) {
  Probe probe;
  for (const std::wstring &arguments : std::vector<std::wstring>{L"--help", L"-h", L"-?", L"--help=1", L"--manual --help", L"--help --version",
        L"--help " + probe.Arguments()}) {
    const MessageBoxView box = OnlyBox(arguments);
    EXPECT_EQ(box.caption, L"Hushpad") << testing::PrintToString(arguments);
    EXPECT_EQ(box.text, kHelpText) << testing::PrintToString(arguments);
    EXPECT_EQ(box.icon, BoxIcon::Information);
    EXPECT_EQ(box.buttons, std::vector<std::wstring>{L"OK"});
  }
  EXPECT_FALSE(probe.Started());
}

TEST(Modes, VersionFormsShowVersionBox) {
  Probe probe;
  for (const std::wstring &arguments : std::vector<std::wstring>{L"--version", L"--version --help", L"--manual --version", L"--version " + probe.Arguments()}) {
    const MessageBoxView box = OnlyBox(arguments);
    EXPECT_EQ(box.caption, L"Hushpad");
    EXPECT_EQ(box.text.rfind(L"Hushpad 1.0\n", 0), 0u) << testing::PrintToString(box.text);
    EXPECT_EQ(std::count(box.text.begin(), box.text.end(), L'\n'), 2);
    EXPECT_EQ(box.icon, BoxIcon::Information);
  }
  EXPECT_FALSE(probe.Started());
}

TEST(Modes, OptionErrorsShowMessageAboveUsageAndStartNothing) {
  Probe probe;
  struct Case {
    std::wstring arguments;
    std::wstring message;
  };
  for (const Case &c : std::vector<Case>{Case{L"--bogus " + probe.Arguments(), L"Invalid option: --bogus"},
                        Case{L"-x", L"Invalid option: -x"},
                        Case{L"--manual=2 " + probe.Arguments(),
                             L"Invalid value for option --manual: 2"},
                        Case{L"--help --bogus", L"Invalid option: --bogus"}}) {
    if (c.arguments == L"--help --bogus") {
      // Parsing stops after --help: the help box, not an error.
      EXPECT_EQ(OnlyBox(c.arguments).text, kHelpText);
      continue;
    }
    const MessageBoxView box = OnlyBox(c.arguments);
    EXPECT_EQ(box.text, c.message + L"\n\n" + kUsage);
    EXPECT_EQ(box.icon, BoxIcon::Error);
  }
  EXPECT_FALSE(probe.Started());
}

TEST(Modes, ChildReceivesExactlyItsArguments) {
  // Options after PROGRAM belong to the child; every argument is rebuilt so
  // that the child splits the same list again.
  Probe probe(L"a b --help --manual \"save name\" \"say \\\"hi\\\"\" \"C:\\my dir\\\\\" \"\"", false);
  Hushpad hushpad(probe.Arguments());
  ASSERT_TRUE(probe.WaitForReport());
  EXPECT_TRUE(hushpad.ExitsWithZero());
  const std::vector<std::wstring> expected{ProbeExe(), L"/out:" + probe.ReportPath(),
                                           L"a", L"b", L"--help", L"--manual", L"save name",
                                           L"say \"hi\"", L"C:\\my dir\\", L""};
  EXPECT_EQ(probe.ReportedArguments(), expected);
  EXPECT_FALSE(ShowsDialog(hushpad.Pid()));
}

TEST(Modes, PlainArgumentsGiveTheChildThatVeryCommandLine) {
  Probe probe(L"a b -window", false);
  Hushpad hushpad(probe.Arguments());
  ASSERT_TRUE(probe.WaitForReport());
  ASSERT_TRUE(hushpad.ExitsWithZero());
  EXPECT_EQ(probe.ReportedCommandLine(), probe.CommandLine());
  const std::vector<std::wstring> expected{kDisabledWindowsKey, kDisabledAccessibility,
                                           LaunchingTrace(probe.CommandLine()),
                                           kEnabledAccessibility, kEnabledWindowsKey, kExited};
  EXPECT_EQ(hushpad.Traces(), expected);
}

TEST(Modes, DoubleDashEndsOptionsSoADashNamedProgramStarts) {
  const std::wstring folder = TestFolder();
  ASSERT_TRUE(CopyFileW(ProbeExe().c_str(), (folder + L"--odd-name.exe").c_str(), FALSE));
  const std::wstring report = folder + UniqueName(L"odd") + L".bin";
  DeleteFileW(report.c_str());
  Hushpad hushpad(L"-- --odd-name /out:" + report, {}, folder);
  ASSERT_TRUE(hushpad.ExitsWithZero());
  EXPECT_TRUE(hushpad.WaitForTrace(LaunchingTrace(L"--odd-name /out:" + report), 0));
  EXPECT_NE(GetFileAttributesW(report.c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST(Modes, ManualZeroWaitsForTheChildWithoutDialog) {
  Probe probe;
  Hushpad hushpad(L"--manual=0 " + probe.Arguments());
  ASSERT_TRUE(probe.WaitForReport());
  PumpMessages(500);
  EXPECT_FALSE(ShowsDialog(hushpad.Pid()));
  EXPECT_FALSE(hushpad.process().WaitForExit(0)) << "the child is waited for";
  probe.Release();
  EXPECT_TRUE(hushpad.ExitsWithZero());
  EXPECT_TRUE(hushpad.WaitForTrace(kExited, 0));
}

TEST(Modes, WaitEndsWithTheChildNotItsDescendants) {
  const std::wstring grandchildEvent = UniqueName(L"HushpadGrandchild");
  UniqueHandle event(CreateEventW(nullptr, TRUE, FALSE, grandchildEvent.c_str()));
  Probe probe(L"/spawn:" + grandchildEvent, false);
  Hushpad hushpad(probe.Arguments());
  EXPECT_TRUE(hushpad.ExitsWithZero());
  const std::wstring grandchildReport = probe.ReportPath() + L".grandchild";
  for (int i = 0; i < 100 && ReadWholeFile(grandchildReport).empty(); ++i) Sleep(20);
  const std::string report = ReadWholeFile(grandchildReport);
  const DWORD grandchild = std::wcstoul(reinterpret_cast<const wchar_t *>(report.c_str()), nullptr, 10);
  EXPECT_TRUE(ProcessRunning(grandchild)) << "the grandchild still runs, Hushpad has ended";
  SetEvent(event.get());
}

TEST(Modes, OwnNameIsNeverParsedEvenWhenItLooksLikeAnOption) {
  // Started as "--help.exe PROGRAM": element 0 must not show the help box.
  const std::wstring folder = TestFolder();
  ASSERT_TRUE(CopyFileW(HushpadExe().c_str(), (folder + L"--help.exe").c_str(), FALSE));
  Probe probe(L"", false);
  wchar_t previous[MAX_PATH] = {};
  GetCurrentDirectoryW(MAX_PATH, previous);
  SetCurrentDirectoryW(folder.c_str());  // CreateProcessW looks here for "--help.exe"
  DebuggedProcess hushpad(L"--help.exe " + probe.Arguments());
  SetCurrentDirectoryW(previous);
  ASSERT_FALSE(hushpad.StartFailed());
  ASSERT_TRUE(probe.WaitForReport());
  EXPECT_TRUE(hushpad.WaitForExit(kTimeoutMs));
  EXPECT_EQ(hushpad.ExitCode(), 0u);
  EXPECT_TRUE(hushpad.WaitForTrace(LaunchingTrace(probe.CommandLine()), 0));
}
