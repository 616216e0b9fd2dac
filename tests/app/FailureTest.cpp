// Every way a run can fail, as the user meets it: one box, exit code 0, and
// for failures of the program itself the keys restored before the box shows.
// Real faults where Wine has them; otherwise HushpadFaults.exe's fault points.
#include <gtest/gtest.h>

#include <new>
#include <string>

#include "Harness.h"
#include "WindowSearch.h"

namespace {

const std::vector<std::wstring> kSuppressedThenRestored{kDisabledWindowsKey, kDisabledAccessibility};

// The error CreateMutexW meets on a name that another kind of object holds.
DWORD SquattedMutexError(const wchar_t *name) {
  HANDLE mutex = CreateMutexW(nullptr, FALSE, name);
  const DWORD error = GetLastError();
  if (mutex) CloseHandle(mutex);
  return error;
}

// Expects exactly one error box with `text`, closes it, and expects exit 0.
void ExpectErrorBoxThenExit(Hushpad &hushpad, const std::wstring &text) {
  auto box = WaitForMessageBox(hushpad.Pid());
  ASSERT_TRUE(box.has_value());
  EXPECT_EQ(box->caption, L"Hushpad");
  EXPECT_EQ(box->text, text);
  EXPECT_EQ(box->icon, BoxIcon::Error);
  EXPECT_EQ(box->buttons, std::vector<std::wstring>{L"OK"});
  CloseMessageBox(*box);
  EXPECT_TRUE(hushpad.ExitsWithZero());
}

std::vector<std::wstring> Concat(std::vector<std::wstring> a, const std::vector<std::wstring> &b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

}  // namespace

TEST(Failures, StartUpFailuresBeforeAnyKeyIsTouched) {
  Probe probe;
  {
    Hushpad hushpad(probe.Arguments(), L"CommandLineToArgvW:8");
    ExpectErrorBoxThenExit(hushpad, L"Failed to retrieve command-line arguments.  " + SystemText(8));
    EXPECT_TRUE(hushpad.Traces().empty());
  }
  {
    // A standard exception shows its what() text and nothing else (the C++
    // runtime's own text: "bad allocation" with Visual C++'s).
    const std::string what = std::bad_alloc().what();
    Hushpad hushpad(probe.Arguments(), L"argot_create_context:0");
    ExpectErrorBoxThenExit(hushpad, std::wstring(what.begin(), what.end()));
    EXPECT_TRUE(hushpad.Traces().empty());
  }
  {
    NameSquatter squatter(kAppMutexName);
    ASSERT_TRUE(squatter.Holds());
    const DWORD error = SquattedMutexError(kAppMutexName);
    Hushpad hushpad(probe.Arguments());
    ExpectErrorBoxThenExit(hushpad, L"Unable to create mutex.  " + SystemText(error));
    EXPECT_TRUE(hushpad.Traces().empty());
  }
  {
    Hushpad hushpad(probe.Arguments(), L"RegisterClassW:5");
    ExpectErrorBoxThenExit(hushpad, L"Unable to register window class.  " + SystemText(5));
    EXPECT_TRUE(hushpad.Traces().empty());
  }
  {
    // The box names the window creation's own error, not whatever releasing
    // the lock afterwards left behind; no window, so no "Exited." either.
    Hushpad hushpad(probe.Arguments(), L"CreateWindowExW:1400");
    ExpectErrorBoxThenExit(hushpad, L"Unable to create window.  " + SystemText(1400));
    EXPECT_TRUE(hushpad.Traces().empty());
  }
  EXPECT_FALSE(probe.Started());
}

TEST(Failures, HookFailureInPrimaryWaitsForOtherCopiesBeforeItsBox) {
  Probe probeA, probeB;
  // The fault point holds A for two seconds after its window exists.
  Hushpad a(probeA.Arguments(), L"SetWindowsHookExW:5:2000");
  ASSERT_NE(WaitForMessageOnlyWindow(a.Pid(), L"{3F1C9E52-84B0-4d6e-9A17-5B2E0C7D41A8}",
                                     L"Hushpad", kTimeoutMs),
            nullptr);
  Hushpad b(probeB.Arguments());
  ASSERT_TRUE(b.WaitForTrace(DeferringTrace(a.Pid())));

  ASSERT_TRUE(a.WaitForTrace(WaitingTrace(b.Pid())));
  PumpMessages(500);
  EXPECT_FALSE(ShowsDialog(a.Pid())) << "no box while another copy runs";

  probeB.Release();
  ASSERT_TRUE(b.ExitsWithZero());
  ExpectErrorBoxThenExit(a, L"Unable to intercept keyboard actions.  " + SystemText(5));
  EXPECT_EQ(a.Traces(), (std::vector<std::wstring>{WaitingTrace(b.Pid()), kExited}));
  EXPECT_FALSE(probeA.Started());
}

TEST(Failures, FailuresAfterLaunchRestoreKeysBeforeTheBoxAndLeaveTheChildRunning) {
  WindowsKeyObserver keys;
  struct Case {
    const wchar_t *fault;
    const wchar_t *squattedName;
    std::wstring options;
    std::wstring message;  // the system's text follows
  };
  for (const Case &c : std::vector<Case>{
           {L"CreateThread:8", nullptr, L"", L"Unable to create thread to watch process.  "},
           {L"", kManualMutexName, L"--manual ", L"Unable to create mutex.  "}}) {
    Probe probe;
    NameSquatter squatter(c.squattedName ? c.squattedName : L"");
    const DWORD error = c.squattedName ? SquattedMutexError(c.squattedName) : 8;
    Hushpad hushpad(c.options + probe.Arguments(), c.fault);
    auto box = WaitForMessageBox(hushpad.Pid());
    ASSERT_TRUE(box.has_value());
    EXPECT_EQ(box->text, c.message + SystemText(error));
    // By the time the box shows, the teardown is complete.
    EXPECT_EQ(hushpad.Traces(),
              Concat(kSuppressedThenRestored,
                     {LaunchingTrace(probe.CommandLine()), kEnabledAccessibility,
                      kEnabledWindowsKey, kExited}));
    EXPECT_TRUE(keys.WindowsKeyGetsThrough());
    ASSERT_TRUE(probe.WaitForReport());
    EXPECT_TRUE(ProcessRunning(probe.Pid())) << "the child is never terminated";
    CloseMessageBox(*box);
    EXPECT_TRUE(hushpad.ExitsWithZero());
  }
}

TEST(Failures, TeardownFailureAfterNormalRunStillRestoresAndIsReported) {
  WindowsKeyObserver keys;
  Probe probe;
  Hushpad hushpad(probe.Arguments());
  ASSERT_TRUE(hushpad.WaitForTrace(LaunchingTrace(probe.CommandLine())));
  // Between start-up and teardown no copy holds the mutex, so its name is free.
  NameSquatter squatter(kAppMutexName);
  ASSERT_TRUE(squatter.Holds());
  const DWORD error = SquattedMutexError(kAppMutexName);
  probe.Release();
  auto box = WaitForMessageBox(hushpad.Pid());
  ASSERT_TRUE(box.has_value());
  EXPECT_EQ(box->text, L"Unable to create mutex.  " + SystemText(error));
  EXPECT_EQ(hushpad.Traces(),
            Concat(kSuppressedThenRestored, {LaunchingTrace(probe.CommandLine()), kExited,
                                             kEnabledAccessibility, kEnabledWindowsKey}));
  EXPECT_TRUE(keys.WindowsKeyGetsThrough());
  CloseMessageBox(*box);
  EXPECT_TRUE(hushpad.ExitsWithZero());
}

TEST(Failures, SecondFailureDuringUnwindingIsAbsorbedAndTheFirstIsShown) {
  // The watch thread fails (104) two seconds in; meanwhile the mutex's name is
  // taken, so the teardown's own Acquire fails too (103). The keys must still
  // come back, and the box must name the first failure.
  WindowsKeyObserver keys;
  Probe probe;
  Hushpad hushpad(probe.Arguments(), L"CreateThread:8:2000");
  ASSERT_TRUE(hushpad.WaitForTrace(LaunchingTrace(probe.CommandLine())));
  NameSquatter squatter(kAppMutexName);
  ASSERT_TRUE(squatter.Holds());
  auto box = WaitForMessageBox(hushpad.Pid());
  ASSERT_TRUE(box.has_value());
  EXPECT_EQ(box->text, L"Unable to create thread to watch process.  " + SystemText(8));
  EXPECT_EQ(hushpad.Traces(),
            Concat(kSuppressedThenRestored, {LaunchingTrace(probe.CommandLine()), kExited,
                                             kEnabledAccessibility, kEnabledWindowsKey}));
  EXPECT_TRUE(keys.WindowsKeyGetsThrough());
  CloseMessageBox(*box);
  EXPECT_TRUE(hushpad.ExitsWithZero());
}

TEST(Failures, FailedWaitEndsTheWatchAsIfTheChildHadEnded) {
  Probe probe;
  Hushpad hushpad(probe.Arguments(), L"WaitForSingleObject:6");
  ASSERT_TRUE(hushpad.ExitsWithZero());
  EXPECT_EQ(hushpad.Traces(),
            Concat(kSuppressedThenRestored,
                   {LaunchingTrace(probe.CommandLine()),
                    L"WaitForSingleObject failed: " + SystemText(6) + L" (6)\n",
                    kEnabledAccessibility, kEnabledWindowsKey, kExited}));
  ASSERT_TRUE(probe.WaitForReport());
  EXPECT_TRUE(ProcessRunning(probe.Pid()));
}

TEST(Failures, ProgramThatCannotStartIsReportedWithKeysStillSuppressed) {
  WindowsKeyObserver keys;
  const std::wstring program = L"Z:\\no such folder\\missing.exe";
  std::wstring attempt = L"\"" + program + L"\" arg";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  ASSERT_FALSE(CreateProcessW(nullptr, attempt.data(), nullptr, nullptr, FALSE, 0, nullptr,
                              nullptr, &startup, &info));
  const DWORD error = GetLastError();

  for (const std::wstring &options : std::vector<std::wstring>{L"", L"--manual "}) {
    Hushpad hushpad(options + L"\"" + program + L"\" arg");
    auto box = WaitForMessageBox(hushpad.Pid());
    ASSERT_TRUE(box.has_value());
    EXPECT_EQ(box->text, L"Unable to start process \"" + program + L"\".  " + SystemText(error));
    EXPECT_EQ(box->icon, BoxIcon::Error);
    EXPECT_EQ(hushpad.Traces(),
              Concat(kSuppressedThenRestored, {LaunchingTrace(L"\"" + program + L"\" arg")}));
    EXPECT_FALSE(keys.WindowsKeyGetsThrough()) << "keys stay suppressed while the box is open";
    CloseMessageBox(*box);
    ASSERT_TRUE(hushpad.ExitsWithZero());
    EXPECT_FALSE(ShowsDialog(hushpad.Pid()));
    const std::vector<std::wstring> traces = hushpad.Traces();
    EXPECT_EQ(std::vector<std::wstring>(traces.end() - 3, traces.end()),
              (std::vector<std::wstring>{kEnabledAccessibility, kEnabledWindowsKey, kExited}));
    EXPECT_TRUE(keys.WindowsKeyGetsThrough());
  }
}
