// HushpadTrace.exe never holds the Hushpad under it still: not when its
// output cannot be written, not when it is ended from outside.
#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "Harness.h"

namespace {

// A pipe that nobody reads, kept full by a write of its own that waits for a
// reader: every write to it waits behind that one until Drain().
class FullPipe {
 public:
  FullPipe() {
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
    CreatePipe(&readEnd, &writeEnd, &inheritable, 4096);
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    read_.reset(readEnd);
    write_.reset(writeEnd);
    filler_ = std::thread([writeEnd] {
      const std::string block(kFilling, 'x');
      DWORD written = 0;
      WriteFile(writeEnd, block.data(), static_cast<DWORD>(block.size()), &written, nullptr);
    });
  }
  ~FullPipe() { Drain(); }

  // The end to write to, inheritable.
  HANDLE WriteEnd() const { return write_.get(); }
  // Reads until every other holder of the write end has closed it (a process
  // that has ended), and returns what was written after the filling.
  std::string Drain() {
    if (!filler_.joinable()) return {};
    std::string output;
    std::thread reader([&] {
      char buffer[4096];
      for (DWORD read = 0; ReadFile(read_.get(), buffer, sizeof buffer, &read, nullptr);) {
        output.append(buffer, read);
      }
    });
    filler_.join();
    write_.reset();
    reader.join();
    return output.size() > kFilling ? output.substr(kFilling) : std::string();
  }

 private:
  static constexpr size_t kFilling = 1 << 16;
  UniqueHandle read_, write_;
  std::thread filler_;
};

}  // namespace

TEST(TraceViewer, NeitherAStuckOutputNorItsEndStopsHushpad) {
  WindowsKeyObserver keys;
  for (const bool killed : {false, true}) {
    SCOPED_TRACE(killed ? "viewer ended from outside" : "viewer's output a full pipe");
    FullPipe pipe;
    Probe probe;
    std::wstring commandLine =
        L"\"" + TraceViewerExe() + L"\" \"" + HushpadExe() + L"\" " + probe.CommandLine();
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = startup.hStdError = pipe.WriteEnd();
    PROCESS_INFORMATION created{};
    ASSERT_TRUE(CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE,
                               CREATE_NO_WINDOW, nullptr, nullptr, &startup, &created));
    CloseHandle(created.hThread);
    const UniqueHandle viewer(created.hProcess);
    ASSERT_TRUE(probe.WaitForReport()) << "Hushpad starts PROGRAM";
    DWORD hushpadId = 0;
    GetWindowThreadProcessId(FindWindowExW(HWND_MESSAGE, nullptr, kWindowClassName, kWindowTitle),
                             &hushpadId);
    const UniqueHandle hushpad(
        OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, hushpadId));
    ASSERT_TRUE(hushpad);

    if (killed) {
      // As Task Manager ends it: no console event, nothing of its own runs.
      TerminateProcess(viewer.get(), 9);
      ASSERT_EQ(WaitForSingleObject(viewer.get(), kTimeoutMs), WAIT_OBJECT_0);
    }
    EXPECT_FALSE(keys.WindowsKeyGetsThrough()) << "Hushpad still swallows it";
    EXPECT_EQ(WaitForSingleObject(hushpad.get(), 0), WAIT_TIMEOUT) << "while its program runs";

    probe.Release();
    ASSERT_EQ(WaitForSingleObject(hushpad.get(), kTimeoutMs), WAIT_OBJECT_0);
    DWORD exitCode = STILL_ACTIVE;
    EXPECT_TRUE(GetExitCodeProcess(hushpad.get(), &exitCode) && exitCode == 0) << exitCode;
    EXPECT_TRUE(keys.WindowsKeyGetsThrough());

    // Once read, the pipe takes what waited in the viewer, all of it.
    const std::string output = pipe.Drain();
    if (!killed) {
      EXPECT_EQ(output.rfind("Hushpad: Disabled the Windows key.\n", 0), 0u) << output;
      EXPECT_NE(output.find("Hushpad: Launching: "), std::string::npos) << output;
      EXPECT_EQ(output.size() - output.rfind("Hushpad: Exited.\n"), 17u) << "the last line";
    }
  }
}
