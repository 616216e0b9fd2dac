// HushpadTrace.exe ended while the Hushpad under it runs: Hushpad must carry
// on and restore the keys when its program ends.
#include <windows.h>
#include <tlhelp32.h>

#include <gtest/gtest.h>

#include "Harness.h"

namespace {

DWORD ParentOf(DWORD processId) {
  UniqueHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = Process32FirstW(snapshot.get(), &entry); more;
       more = Process32NextW(snapshot.get(), &entry)) {
    if (entry.th32ProcessID == processId) return entry.th32ParentProcessID;
  }
  return 0;
}

}  // namespace

TEST(TraceViewer, EndedFromOutsideItLeavesHushpadToRestoreTheKeys) {
  WindowsKeyObserver keys;
  Probe probe;
  const std::wstring outputPath = TestFolder() + UniqueName(L"viewer") + L".txt";
  SECURITY_ATTRIBUTES inherited{sizeof inherited, nullptr, TRUE};
  UniqueHandle output(CreateFileW(outputPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherited,
                                  CREATE_ALWAYS, 0, nullptr));
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = startup.hStdError = output.get();
  std::wstring commandLine =
      L"\"" + TraceViewerExe() + L"\" \"" + HushpadExe() + L"\" " + probe.CommandLine();
  PROCESS_INFORMATION created{};
  ASSERT_TRUE(CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr,
                             nullptr, &startup, &created));
  CloseHandle(created.hThread);
  const UniqueHandle viewer(created.hProcess);
  output.reset();
  ASSERT_TRUE(probe.WaitForReport());
  const UniqueHandle hushpad(
      OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, ParentOf(probe.Pid())));
  ASSERT_TRUE(hushpad);

  // As Task Manager ends it: no console event, nothing of its own runs.
  TerminateProcess(viewer.get(), 9);
  ASSERT_EQ(WaitForSingleObject(viewer.get(), kTimeoutMs), WAIT_OBJECT_0);
  const std::string printed = ReadWholeFile(outputPath);
  EXPECT_EQ(std::wstring(printed.begin(), printed.end()),
            kSuppressed[0] + kSuppressed[1] + LaunchingTrace(probe.CommandLine()));
  EXPECT_FALSE(keys.WindowsKeyGetsThrough()) << "Hushpad still swallows it";
  EXPECT_EQ(WaitForSingleObject(hushpad.get(), 0), WAIT_TIMEOUT) << "while its program runs";

  probe.Release();
  ASSERT_EQ(WaitForSingleObject(hushpad.get(), kTimeoutMs), WAIT_OBJECT_0);
  DWORD exitCode = STILL_ACTIVE;
  GetExitCodeProcess(hushpad.get(), &exitCode);
  EXPECT_EQ(exitCode, 0u);
  EXPECT_TRUE(keys.WindowsKeyGetsThrough());
}
