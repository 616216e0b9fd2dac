#include "DebuggedProcess.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "SiblingPath.h"
#include "app/UniqueHandle.h"

namespace {

const std::wstring kLongLine = std::wstring(3000, L'x') + L"\n";

std::vector<std::wstring> ExpectedTexts() {
  return {L"first line\n",        L"Gr\u00FC\u00DFe \u2192 \u2713\n", L"narrow text\n", kLongLine,
          L"exception handled\n", L"no line feed"};
}

// Wine 8's OutputDebugStringW passes its text on as ANSI only, so characters
// outside the ANSI code page arrive as "?"; Windows 10 and later Wine versions
// deliver Unicode intact. Comparing both sides through the ANSI code page
// accepts either, and still catches a reader that mangles what it is given.
std::wstring ThroughAnsi(const std::wstring& text) {
  std::string ansi(text.size() * 4, '\0');
  ansi.resize(static_cast<size_t>(WideCharToMultiByte(CP_ACP, 0, text.data(),
                                                      static_cast<int>(text.size()), ansi.data(),
                                                      static_cast<int>(ansi.size()), nullptr, nullptr)));
  std::wstring back(ansi.size(), L'\0');
  back.resize(static_cast<size_t>(MultiByteToWideChar(
      CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), back.data(), static_cast<int>(back.size()))));
  return back;
}

std::vector<std::wstring> ThroughAnsi(std::vector<std::wstring> texts) {
  for (auto& text : texts) text = ThroughAnsi(text);
  return texts;
}

std::wstring FromUtf8(const std::string& text) {
  std::wstring wide(text.size(), L'\0');
  wide.resize(static_cast<size_t>(MultiByteToWideChar(
      CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), static_cast<int>(wide.size()))));
  return wide;
}

std::wstring TraceWriter(const std::wstring& arguments) {
  return L"\"" + SiblingPath(L"TraceWriter.exe") + L"\" " + arguments;
}

bool ProcessHasEnded(DWORD processId) {
  UniqueHandle process(OpenProcess(SYNCHRONIZE, FALSE, processId));
  return !process || WaitForSingleObject(process.get(), 5000) == WAIT_OBJECT_0;
}

}  // namespace

TEST(DebuggedProcess, CollectsEveryTextExactlyInOrder_AndTheExitCode) {
  std::vector<std::wstring> seenByCallback;
  DebuggedProcess process(TraceWriter(L"42"),
                          [&](const std::wstring& text) { seenByCallback.push_back(text); });
  ASSERT_FALSE(process.StartFailed());
  EXPECT_NE(process.ProcessId(), 0u);
  ASSERT_TRUE(process.WaitForExit(60000));
  EXPECT_EQ(process.ExitCode(), 42u);
  EXPECT_EQ(ThroughAnsi(process.Traces()), ThroughAnsi(ExpectedTexts()));
  EXPECT_EQ(seenByCallback, process.Traces());
  EXPECT_EQ(process.Traces()[1].substr(0, 6), L"Gr\u00FC\u00DFe ") << "Latin-1 survives either way";
  EXPECT_TRUE(process.WaitForTrace(L"first line\n", 0));
  EXPECT_EQ(process.CountTrace(L"narrow text\n"), 1u);
  // An ended process writes nothing more: no need to sit out the timeout.
  EXPECT_FALSE(process.WaitForTrace(L"never written\n", INFINITE));
  EXPECT_FALSE(process.WaitForTrace(L"first line", 0)) << "texts match exactly";
}

TEST(DebuggedProcess, SeveralRunAtOnce_EachSeeingOnlyItsOwnProcess) {
  DebuggedProcess hanging(TraceWriter(L"0 hang"));
  ASSERT_TRUE(hanging.WaitForTrace(L"hanging\n", 60000));
  DebuggedProcess exiting(TraceWriter(L"7"));
  ASSERT_TRUE(exiting.WaitForExit(60000));
  EXPECT_EQ(exiting.ExitCode(), 7u);
  EXPECT_EQ(ThroughAnsi(exiting.Traces()), ThroughAnsi(ExpectedTexts()));
  EXPECT_FALSE(hanging.WaitForExit(0));
  EXPECT_EQ(hanging.ExitCode(), static_cast<DWORD>(STILL_ACTIVE));
  EXPECT_EQ(hanging.CountTrace(L"first line\n"), 1u);
}

TEST(DebuggedProcess, DestructorEndsADebuggeeThatStillRuns) {
  DWORD processId = 0;
  {
    DebuggedProcess process(TraceWriter(L"0 hang"));
    ASSERT_TRUE(process.WaitForTrace(L"hanging\n", 60000));
    processId = process.ProcessId();
  }
  EXPECT_TRUE(ProcessHasEnded(processId));
}

TEST(DebuggedProcess, ReportsAProgramThatCannotStart) {
  DebuggedProcess process(L"\"" + SiblingPath(L"NoSuchProgram.exe") + L"\"");
  EXPECT_TRUE(process.StartFailed());
  EXPECT_EQ(process.StartError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(process.ProcessId(), 0u);
  EXPECT_TRUE(process.WaitForExit(0));
  EXPECT_FALSE(process.WaitForTrace(L"first line\n", INFINITE));
  EXPECT_TRUE(process.Traces().empty());
}

namespace {

struct RunResult {
  std::string output;
  DWORD exitCode = 0;
};

// Runs a console command with its standard output captured through a pipe.
RunResult RunCapturingOutput(std::wstring commandLine) {
  SECURITY_ATTRIBUTES inheritable{sizeof(inheritable), nullptr, TRUE};
  HANDLE readEnd = nullptr;
  HANDLE writeEnd = nullptr;
  EXPECT_TRUE(CreatePipe(&readEnd, &writeEnd, &inheritable, 0));
  UniqueHandle reader(readEnd);
  UniqueHandle writer(writeEnd);
  SetHandleInformation(reader.get(), HANDLE_FLAG_INHERIT, 0);
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = writer.get();
  startup.hStdError = writer.get();
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  PROCESS_INFORMATION created{};
  RunResult result;
  if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW,
                      nullptr, nullptr, &startup, &created)) {
    ADD_FAILURE() << "CreateProcessW failed: " << GetLastError();
    return result;
  }
  UniqueHandle process(created.hProcess);
  UniqueHandle thread(created.hThread);
  writer.reset();  // the pipe ends when the child's copy of the write end closes
  char buffer[4096];
  DWORD read = 0;
  while (ReadFile(reader.get(), buffer, sizeof(buffer), &read, nullptr) && read > 0) {
    result.output.append(buffer, read);
  }
  WaitForSingleObject(process.get(), 10000);
  GetExitCodeProcess(process.get(), &result.exitCode);
  return result;
}

}  // namespace

TEST(HushpadTrace, PrintsEachTextOnALineInUtf8_AndExitsWithTheDebuggeeExitCode) {
  const RunResult result = RunCapturingOutput(
      L"\"" + SiblingPath(L"HushpadTrace.exe") + L"\" " + TraceWriter(L"5"));
  std::wstring expected;
  for (const auto& text : ExpectedTexts()) expected += text;
  expected += L"\n";  // added after the text that lacks one
  EXPECT_EQ(ThroughAnsi(FromUtf8(result.output)), ThroughAnsi(expected));
  EXPECT_EQ(result.output.substr(11, 8), "Gr\xC3\xBC\xC3\x9F" "e ") << "UTF-8";
  EXPECT_EQ(result.exitCode, 5u);
}

TEST(HushpadTrace, ReportsACommandThatCannotStart) {
  const RunResult result = RunCapturingOutput(L"\"" + SiblingPath(L"HushpadTrace.exe") +
                                              L"\" NoSuchProgram.exe");
  EXPECT_NE(result.output.find("cannot start NoSuchProgram.exe"), std::string::npos)
      << result.output;
  EXPECT_EQ(result.exitCode, static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}
