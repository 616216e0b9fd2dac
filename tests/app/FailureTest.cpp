// Every way a run can fail: one box, exit code 0, and for failures of the
// program itself the keys restored first. Real faults where Wine has them.
#include <windows.h>
#include <sddl.h>
#include <shellapi.h>
#include <tlhelp32.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <new>
#include <string>
#include <thread>

#include "app/copies/NamedObjectSecurity.h"
#include "Harness.h"

namespace {

// Something under one of Hushpad's mutex names (none: nothing is taken): a
// named event, on which Hushpad's CreateMutexW fails with `mutexError`, or a
// mutex that anybody may open but that the Administrators group owns, which
// Hushpad must refuse.
struct NameSquatter {
  explicit NameSquatter(const wchar_t* name, bool mutexOwnedByAdministrators = false) {
    if (!name) return;
    if (!mutexOwnedByAdministrators) {
      squatter.reset(CreateEventW(nullptr, TRUE, FALSE, name));
      UniqueHandle mutex(CreateMutexW(nullptr, FALSE, name));
      mutexError = GetLastError();
      return;
    }
    SECURITY_ATTRIBUTES attributes{sizeof attributes, nullptr, FALSE};
    ConvertStringSecurityDescriptorToSecurityDescriptorW(L"O:BAD:(A;;GA;;;WD)", SDDL_REVISION_1,
                                                         &attributes.lpSecurityDescriptor, nullptr);
    squatter.reset(CreateMutexW(&attributes, FALSE, name));
    LocalFree(attributes.lpSecurityDescriptor);
    mutexError = ERROR_ACCESS_DENIED;
  }
  UniqueHandle squatter;
  DWORD mutexError = 0;
};

// Expects exactly one error box with `text`; runs `whileOpen`, then closes
// the box and expects exit code 0.
void ExpectErrorBox(
    Hushpad& hushpad, const std::wstring& text, const std::function<void()>& whileOpen = [] {}) {
  auto box = WaitForMessageBox(hushpad.Pid());
  ASSERT_TRUE(box.has_value());
  EXPECT_EQ(box->caption, L"Hushpad");
  EXPECT_EQ(box->text, text);
  EXPECT_EQ(box->icon, BoxIcon::Error);
  EXPECT_EQ(box->buttons, Lines{L"OK"});
  whileOpen();
  CloseMessageBox(*box);
  EXPECT_TRUE(hushpad.ExitsWithZero());
}

// Whether a process runs whose executable has the file name `name`.
bool ProgramRunning(const wchar_t* name) {
  UniqueHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = Process32FirstW(snapshot.get(), &entry); more;
       more = Process32NextW(snapshot.get(), &entry)) {
    if (_wcsicmp(entry.szExeFile, name) == 0) return true;
  }
  return false;
}

}  // namespace

TEST(Failures, StartUpFailuresBeforeAnyKeyIsTouched) {
  Probe probe;
  const std::string what = std::bad_alloc().what();
  struct Case {
    const wchar_t *fault, *squattedName;
    std::wstring message;  // the system's text for the error follows, if any
    DWORD error;
    bool foreignOwner = false;  // the squatter is a mutex of another owner
  };
  const Case cases[] = {
      {L"CommandLineToArgvW:8", nullptr, L"Failed to retrieve command-line arguments.  ", 8},
      // A standard exception shows its what() text and nothing else.
      {L"argot_create_context:0", nullptr, std::wstring(what.begin(), what.end()), 0},
      {L"", kAppMutexName, L"Unable to create mutex.  ", 0},
      {L"", kAppMutexName, L"Unable to create mutex.  ", 0, true},
      {L"", kPrimaryMutexName, L"Unable to create mutex.  ", 0, true},
      {L"RegisterClassW:5", nullptr, L"Unable to register window class.  ", 5},
      // The window creation's own error, not whatever releasing the lock
      // afterwards left behind; no window, so no "Exited." either.
      {L"CreateWindowExW:1400", nullptr, L"Unable to create window.  ", 1400},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.message));
    const NameSquatter squatter(c.squattedName, c.foreignOwner);
    ASSERT_TRUE(!c.squattedName || squatter.squatter);
    const DWORD error = c.squattedName ? squatter.mutexError : c.error;
    Hushpad hushpad(probe.CommandLine(), c.fault);
    ExpectErrorBox(hushpad, c.message + (error ? SystemText(error) : L""));
    EXPECT_TRUE(hushpad.Traces().empty());
  }
  EXPECT_FALSE(probe.Started());
}

TEST(Failures, PrimaryWhoseHookFailsLeavesTheRoleToTheNextCopy) {
  WindowsKeyObserver keys;
  Probe probeA, probeB;
  // The fault point holds A for two seconds after its window exists, and B
  // starts meanwhile: B must not defer to a primary without a hook.
  Hushpad a(probeA.CommandLine(), L"SetWindowsHookExW:5:2000");
  ASSERT_TRUE(Eventually(
      [] { return FindWindowExW(HWND_MESSAGE, nullptr, kWindowClassName, kWindowTitle); },
      kTimeoutMs));
  Hushpad b(probeB.CommandLine());
  ExpectErrorBox(a, L"Unable to intercept keyboard actions.  " + SystemText(5));
  EXPECT_TRUE(a.Traces().empty()) << "it changed nothing, so it has nothing to undo";
  EXPECT_FALSE(probeA.Started());

  ASSERT_TRUE(b.WaitForTrace(LaunchingTrace(probeB.CommandLine())));
  EXPECT_EQ(b.Traces(), Concat({kSuppressed, {LaunchingTrace(probeB.CommandLine())}}));
  EXPECT_FALSE(keys.WindowsKeyGetsThrough());
  probeB.Release();
  ASSERT_TRUE(b.ExitsWithZero());
  EXPECT_TRUE(keys.WindowsKeyGetsThrough());
}

TEST(Failures, FailuresAfterLaunchRestoreKeysBeforeTheBoxAndLeaveTheChildRunning) {
  WindowsKeyObserver keys;
  struct Case {
    const wchar_t *fault, *squattedName;
    bool squatWhileChildRuns;  // and then let the child end
    std::wstring options, message;
    DWORD error;  // whose system text follows; 0: the squatted name's
  };
  const Case cases[] = {
      {L"CreateThread:8", nullptr, false, L"", L"Unable to create thread to watch process.  ", 8},
      {L"", kManualMutexName, false, L"--manual ", L"Unable to create mutex.  ", 0},
      // Between start-up and teardown no copy holds the mutex, so its name is
      // free: the teardown's own Acquire fails after a normal run.
      {L"", kAppMutexName, true, L"", L"Unable to create mutex.  ", 0},
      // The watch thread fails (104) two seconds in and the teardown's
      // Acquire fails too (103) while that unwinds: the first one is shown.
      {L"CreateThread:8:2000", kAppMutexName, true, L"",
       L"Unable to create thread to watch process.  ", 8},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.message));
    Probe probe;
    std::optional<NameSquatter> squatter;
    if (!c.squatWhileChildRuns) squatter.emplace(c.squattedName);
    Hushpad hushpad(c.options + probe.CommandLine(), c.fault);
    ASSERT_TRUE(probe.WaitForReport());
    if (c.squatWhileChildRuns) {
      ASSERT_TRUE(hushpad.WaitForTrace(LaunchingTrace(probe.CommandLine())));
      squatter.emplace(c.squattedName);
      probe.Release();
    }
    const DWORD error = c.error ? c.error : squatter->mutexError;
    ExpectErrorBox(hushpad, c.message + SystemText(error), [&] {
      // By the time the box shows, the teardown is complete.
      EXPECT_EQ(hushpad.Traces(),
                Concat({kSuppressed, {LaunchingTrace(probe.CommandLine())}, kRestored}));
      EXPECT_TRUE(keys.WindowsKeyGetsThrough());
      if (!c.squatWhileChildRuns) {
        EXPECT_TRUE(ProcessRunning(probe.Pid())) << "the child is never terminated";
      }
    });
  }
}

TEST(Failures, FailuresThatLeaveTheRunGoingAreTraced) {
  // A copy died holding the "-app" mutex: the next one takes it as it is.
  // Another program keeps something else under the shared state's name: the
  // copy keeps its settings to itself. The wait for the child fails: the
  // watch ends as if the child had ended.
  UniqueHandle abandoned;
  std::thread([&] {
    abandoned.reset(
        CreateMutexW(NamedObjectSecurity::ForThisProcess().Attributes(), TRUE, kAppMutexName));
  }).join();
  const UniqueHandle squatter(CreateEventW(nullptr, TRUE, FALSE, kSharedStateName));
  Probe probe;
  Hushpad hushpad(probe.CommandLine(), L"WaitForSingleObject:6");
  ASSERT_TRUE(hushpad.ExitsWithZero());
  EXPECT_EQ(hushpad.Traces(),
            Concat({{L"Hushpad: Keeping the saved settings to this copy: " + SystemText(6) + L"\n"},
                    kSuppressed,
                    {LaunchingTrace(probe.CommandLine()),
                     L"WaitForSingleObject failed: " + SystemText(6) + L" (6)\n"},
                    kRestored}));
  ASSERT_TRUE(probe.WaitForReport());
  EXPECT_TRUE(ProcessRunning(probe.Pid()));
}

TEST(Failures, ProgramThatCannotStartIsReportedWithKeysStillSuppressed) {
  WindowsKeyObserver keys;
  const std::wstring missing = TestFolder() + L"missing program.exe";
  // A program that starts, but is left suspended as --tree's first step when
  // it cannot be resumed (a reason whose text names it): it must be ended.
  const std::wstring unresumable = TestFolder() + L"never-resumed.exe";
  ASSERT_TRUE(CopyFileW(ProbeExe().c_str(), unresumable.c_str(), FALSE));
  // A link that no program opens, in the shell's words; shortcuts unreadable or moved away.
  const std::wstring link = L"nosuchscheme://x", unreadable = TestFolder() + L"unreadable.lnk";
  std::ofstream(std::filesystem::path(unreadable)) << "garbage";
  SHELLEXECUTEINFOW shell{};
  shell.cbSize = sizeof shell;
  shell.fMask = SEE_MASK_FLAG_NO_UI | SEE_MASK_NOASYNC;
  shell.lpFile = link.c_str();
  ASSERT_FALSE(ShellExecuteExW(&shell));
  const DWORD shellError = GetLastError();
  const std::wstring moved = TestFolder() + L"moved.exe", stale = TestFolder() + L"stale.lnk";
  MakeShortcut(stale, moved, L"");

  // A program that needs administrator rights, where Hushpad already has them
  // or the user declines them; with --manual, no dialog follows either.
  const DWORD medium = SECURITY_MANDATORY_MEDIUM_RID, high = SECURITY_MANDATORY_HIGH_RID;
  struct Case {
    const wchar_t *options, *fault;
    std::wstring program;
    DWORD error, level;
    std::wstring target = {};  // what the box names, when not PROGRAM
  } const cases[] = {
      {L"", L"", missing, ERROR_FILE_NOT_FOUND, 0},
      {L"--tree ", L"ResumeThread:193", unresumable, ERROR_BAD_EXE_FORMAT, 0},
      {L"", L"", link, shellError, 0},
      {L"", L"", unreadable, static_cast<DWORD>(E_FAIL), 0},
      {L"", L"", stale, ERROR_FILE_NOT_FOUND, 0, moved},
      {L"--manual ", L"CreateChildProcess:740", unresumable, 740, high},
      {L"--manual ", L"CreateChildProcess:740,ShellExecuteExW:1223", unresumable, ERROR_CANCELLED,
       medium},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.options + c.program));
    // Quoted as Hushpad quotes it for the child, so that it is also the trace.
    const bool blank = c.program.find(L' ') != std::wstring::npos;
    const std::wstring commandLine = (blank ? L"\"" + c.program + L"\"" : c.program) + L" arg";
    Hushpad hushpad(c.options + commandLine, c.fault, c.level);
    Lines launched{LaunchingTrace(commandLine)};
    if (c.level == medium) launched = Concat({launched, RunAsTraces(c.options + commandLine)});
    if (!c.target.empty()) launched.push_back(LaunchingTrace(c.target + L" arg"));
    // PROGRAM as typed, not quoted, in the box, and in the system's text too.
    const std::wstring& named = c.target.empty() ? c.program : c.target;
    std::wstring text = SystemText(c.error);
    if (const size_t insert = text.find(L"%1"); insert != std::wstring::npos) {
      text.replace(insert, 2, named);
    }
    ExpectErrorBox(hushpad, L"Unable to start process \"" + named + L"\".  " + text, [&] {
      EXPECT_EQ(hushpad.Traces(), Concat({kSuppressed, launched}));
      EXPECT_FALSE(keys.WindowsKeyGetsThrough()) << "keys stay suppressed while the box is open";
    });
    EXPECT_EQ(Tail(hushpad.Traces(), 3), kRestored);
    EXPECT_TRUE(keys.WindowsKeyGetsThrough());
  }
  EXPECT_FALSE(ProgramRunning(L"never-resumed.exe"));
}
