#include "DebuggedProcess.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "SiblingPath.h"
#include "text/UniqueHandle.h"

namespace {

std::wstring TraceWriter(const std::wstring& arguments) {
  return L"\"" + SiblingPath(L"TraceWriter.exe") + L"\" " + arguments;
}

// What TraceWriter writes, in order.
const std::vector<std::wstring> kTexts = {
    L"first line\n",        L"Gr\u00FC\u00DFe \u2192 \u2713\n",
    L"narrow text\n",       std::wstring(3000, L'x') + L"\n",
    L"exception handled\n", L"no line feed"};

// Wine 8's OutputDebugStringW passes its text on as ANSI only, so characters
// outside the ANSI code page arrive as "?"; Windows 10 and later Wine versions
// deliver Unicode intact. Comparing both sides through the ANSI code page
// accepts either, and still catches a reader that mangles what it is given.
std::vector<std::wstring> ThroughAnsi(std::vector<std::wstring> texts) {
  for (auto& text : texts) {
    std::string ansi(text.size() * 3, '\0');  // at most three bytes a UTF-16 unit
    const int size =
        WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), ansi.data(),
                            static_cast<int>(ansi.size()), nullptr, nullptr);
    text.resize(static_cast<size_t>(MultiByteToWideChar(CP_ACP, 0, ansi.data(), size, text.data(),
                                                        static_cast<int>(text.size()))));
  }
  return texts;
}

// Runs HushpadTrace on `command`: its standard output and error, and exit code.
std::pair<std::string, int> RunHushpadTrace(const std::wstring& command) {
  // The outer quotes are cmd's own, around the whole command.
  FILE* pipe = _wpopen(
      (L"\"\"" + BuildPath(HUSHPAD_TRACE_EXE) + L"\" " + command + L" 2>&1\"").c_str(), L"rb");
  if (pipe == nullptr) return {"_wpopen failed", -1};
  std::string output;
  char buffer[4096];
  while (const size_t read = fread(buffer, 1, sizeof(buffer), pipe)) output.append(buffer, read);
  return {output, _pclose(pipe)};
}

}  // namespace

TEST(DebuggedProcess, CollectsEveryTextExactlyInOrder_AndTheExitCode) {
  std::vector<std::wstring> seenByCallback;
  DebuggedProcess process(TraceWriter(L"42"),
                          [&](const std::wstring& text) { seenByCallback.push_back(text); });
  ASSERT_FALSE(process.StartFailed());
  ASSERT_TRUE(process.WaitForExit(60000));
  EXPECT_EQ(process.ExitCode(), 42u);
  EXPECT_EQ(ThroughAnsi(process.Traces()), ThroughAnsi(kTexts));
  EXPECT_EQ(seenByCallback, process.Traces());
  EXPECT_TRUE(process.WaitForTrace(L"first line\n", 0));
  // An ended process writes nothing more: no need to sit out the timeout.
  EXPECT_FALSE(process.WaitForTraceCount(L"first line\n", 2, INFINITE));
  EXPECT_FALSE(process.WaitForTrace(L"first line", 0)) << "texts match exactly";
}

TEST(DebuggedProcess, TwoRunAtOnce_AndTheDestructorEndsOneThatStillRuns) {
  DWORD hangingId = 0;
  {
    DebuggedProcess hanging(TraceWriter(L"0 hang"));
    ASSERT_TRUE(hanging.WaitForTrace(L"hanging\n", 60000));
    hangingId = hanging.ProcessId();
    DebuggedProcess exiting(TraceWriter(L"7"));
    ASSERT_TRUE(exiting.WaitForExit(60000));
    EXPECT_EQ(exiting.ExitCode(), 7u);
    EXPECT_EQ(ThroughAnsi(exiting.Traces()), ThroughAnsi(kTexts));
    EXPECT_FALSE(hanging.WaitForExit(0));
    EXPECT_EQ(hanging.ExitCode(), static_cast<DWORD>(STILL_ACTIVE));
    EXPECT_EQ(hanging.Traces().size(), kTexts.size() + 1);
  }
  UniqueHandle ended(OpenProcess(SYNCHRONIZE, FALSE, hangingId));
  EXPECT_TRUE(!ended || WaitForSingleObject(ended.get(), 5000) == WAIT_OBJECT_0);
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

TEST(HushpadTrace, PrintsEachTextOnALineInUtf8_AndExitsWithTheDebuggeeExitCode) {
  const auto [output, exitCode] = RunHushpadTrace(TraceWriter(L"5"));
  EXPECT_EQ(exitCode, 5);
  std::wstring expected;
  for (const auto& text : kTexts) expected += text;
  expected += L"\n";  // added after the text that lacks one
  std::wstring wide(output.size(), L'\0');
  wide.resize(static_cast<size_t>(MultiByteToWideChar(CP_UTF8, 0, output.data(),
                                                      static_cast<int>(output.size()), wide.data(),
                                                      static_cast<int>(wide.size()))));
  EXPECT_EQ(ThroughAnsi({wide}), ThroughAnsi({expected}));
  EXPECT_EQ(output.substr(11, 8),
            "Gr\xC3\xBC\xC3\x9F"
            "e ")
      << "UTF-8";

  const auto [failure, error] = RunHushpadTrace(L"NoSuchProgram.exe");
  EXPECT_NE(failure.find("HushpadTrace: cannot start NoSuchProgram.exe"), std::string::npos)
      << failure;
  EXPECT_EQ(error, ERROR_FILE_NOT_FOUND);
}
