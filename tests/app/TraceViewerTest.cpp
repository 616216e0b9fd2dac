// HushpadTrace.exe ended while the Hushpad under it runs: Hushpad must carry
// on and restore the keys when its program ends.
#include <gtest/gtest.h>

#include "Harness.h"

TEST(TraceViewer, EndedFromOutsideItLeavesHushpadToRestoreTheKeys) {
  WindowsKeyObserver keys;
  Probe probe;
  std::wstring commandLine =
      L"\"" + TraceViewerExe() + L"\" \"" + HushpadExe() + L"\" " + probe.CommandLine();
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION created{};
  ASSERT_TRUE(CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW,
                             nullptr, nullptr, &startup, &created));
  CloseHandle(created.hThread);
  const UniqueHandle viewer(created.hProcess);
  ASSERT_TRUE(probe.WaitForReport());
  DWORD hushpadId = 0;
  GetWindowThreadProcessId(FindWindowExW(HWND_MESSAGE, nullptr, kWindowClassName, kWindowTitle),
                           &hushpadId);
  const UniqueHandle hushpad(
      OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, hushpadId));
  ASSERT_TRUE(hushpad);

  // As Task Manager ends it: no console event, nothing of its own runs.
  TerminateProcess(viewer.get(), 9);
  ASSERT_EQ(WaitForSingleObject(viewer.get(), kTimeoutMs), WAIT_OBJECT_0);
  EXPECT_FALSE(keys.WindowsKeyGetsThrough()) << "Hushpad still swallows it";
  EXPECT_EQ(WaitForSingleObject(hushpad.get(), 0), WAIT_TIMEOUT) << "while its program runs";

  probe.Release();
  ASSERT_EQ(WaitForSingleObject(hushpad.get(), kTimeoutMs), WAIT_OBJECT_0);
  DWORD exitCode = STILL_ACTIVE;
  EXPECT_TRUE(GetExitCodeProcess(hushpad.get(), &exitCode) && exitCode == 0) << exitCode;
  EXPECT_TRUE(keys.WindowsKeyGetsThrough());
}
