#pragma once

// What the end-to-end tests need to drive Hushpad.exe as a user would: start
// copies under the debugger, run the probe child, find and read message boxes
// and the manual dialog, and tell whether the Windows key gets through.
#include <windows.h>

#include <initializer_list>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/copies/InstanceNames.h"
#include "DebuggedProcess.h"
#include "DialogView.h"
#include "SiblingPath.h"
#include "tests/faults/SimulatedAccessibility.h"
#include "text/UniqueHandle.h"

inline constexpr DWORD kTimeoutMs = 60000;

inline constexpr wchar_t kUsage[] =
    L"Usage:\nHushpad PROGRAM [ARGUMENTS ...]\nHushpad --manual [PROGRAM [ARGUMENTS ...]]\n"
    L"Hushpad --version\nHushpad --help\n";

inline constexpr wchar_t kExited[] = L"Hushpad: Exited.";
using Lines = std::vector<std::wstring>;
// A primary's start-up lines, and a teardown's lines after the keys come back.
inline const Lines kSuppressed{L"Hushpad: Disabled the Windows key.\n",
                               L"Hushpad: Disabled the accessibility keys.\n"};
inline const Lines kRestored{L"Hushpad: Re-enabled the accessibility keys.\n",
                             L"Hushpad: Re-enabled the Windows key.\n", kExited};
inline const std::wstring kFamilyEnded = L"Hushpad: All programs of the family have ended.\n";

// Windows paths of the shipped Hushpad.exe, its fault-injection build, the
// trace viewer and the probe child.
inline std::wstring HushpadExe() { return BuildPath(HUSHPAD_EXE); }
inline std::wstring FaultsExe() { return BuildPath(HUSHPAD_FAULTS_EXE); }
inline std::wstring TraceViewerExe() { return BuildPath(HUSHPAD_TRACE_EXE); }
inline std::wstring ProbeExe() { return SiblingPath(L"HushpadProbe.exe"); }
// A folder of this test run's own, with a trailing backslash.
std::wstring TestFolder();
// A shortcut at `path` to `commandLine`: a program without blanks, its arguments.
void MakeShortcut(const std::wstring& path, const std::wstring& commandLine,
                  const std::wstring& folder);
// A name no other test uses (events, report files).
std::wstring UniqueName(const wchar_t* stem);

inline std::wstring LaunchingTrace(const std::wstring& commandLine) {
  return L"Hushpad: Launching: " + commandLine + L"\n";
}
inline std::wstring DeferringTrace(DWORD id) {
  return L"Hushpad: Deferring to [" + std::to_wstring(id) + L"]\n";
}
inline std::wstring WaitingTrace(DWORD id) {
  return L"Hushpad: Waiting for [" + std::to_wstring(id) + L"]\n";
}
inline std::wstring TakingOverTrace(DWORD id) {
  return L"Hushpad: Taking over from [" + std::to_wstring(id) + L"]\n";
}
// A copy that starts Hushpad as administrator with `arguments`, through the
// test build's stand-in for UAC (app/FaultPoints.h).
inline Lines RunAsTraces(const std::wstring& arguments) {
  return {L"Hushpad: PROGRAM needs administrator rights; starting Hushpad as administrator.\n",
          L"HushpadFaults: ShellExecuteExW(runas, " + FaultsExe() + L", " + arguments + L")\n"};
}
Lines Concat(std::initializer_list<Lines> parts);
// The last `count` lines (fewer if there are not that many).
Lines Tail(const Lines& lines, size_t count);

// The system's text for an error code, trimmed, as the program's boxes show it.
std::wstring SystemText(DWORD error);

// Whether `condition` holds within `timeoutMs` (polled every 20 ms).
template <typename Condition>
bool Eventually(Condition condition, DWORD timeoutMs = 2000) {
  for (const ULONGLONG deadline = GetTickCount64() + timeoutMs;; Sleep(20)) {
    if (condition()) return true;
    if (GetTickCount64() >= deadline) return false;
  }
}

// One copy of Hushpad under the debugger; with a `fault` (kFaultVariable), an
// integrity level of its own (kIntegrityVariable: Wine runs every program at
// one), or while SimulatedSettings exist or kIntegrityVariable is set, it is
// the fault-injection build. The destructor ends a copy that still runs.
class Hushpad {
 public:
  explicit Hushpad(const std::wstring& arguments, const std::wstring& fault = {},
                   DWORD integrityLevel = 0);
  DWORD Pid() const { return process_->ProcessId(); }
  // Ends the copy at once, as Task Manager would, and waits until it is gone.
  void Kill();
  bool WaitForTrace(const std::wstring& text, DWORD timeoutMs = kTimeoutMs) {
    return process_->WaitForTrace(text, timeoutMs);
  }
  Lines Traces() const { return process_->Traces(); }
  bool Running() { return !process_->WaitForExit(0); }
  // True when it ended within the time, with exit code 0.
  bool ExitsWithZero(DWORD timeoutMs = kTimeoutMs) {
    return process_->WaitForExit(timeoutMs) && process_->ExitCode() == 0;
  }

 private:
  std::unique_ptr<DebuggedProcess> process_;
};

// A probe child's command line: the probe's path, /out:REPORT and (with
// `wait`) /wait:EVENT with fresh names, then `extra`. Setting the event (also
// by the destructor) lets the probe end.
class Probe {
 public:
  explicit Probe(const std::wstring& extra = {}, bool wait = true);
  ~Probe() { Release(); }

  // Also the command line Hushpad builds for the child: it needs no quoting.
  const std::wstring& CommandLine() const { return commandLine_; }
  const std::wstring& ReportPath() const { return report_; }
  bool Started() const;  // whether a report exists now
  // Waits for the report and reads it; false on timeout.
  bool WaitForReport(DWORD timeoutMs = kTimeoutMs);
  DWORD Pid() const { return pid_; }
  const std::wstring& ReportedCommandLine() const { return reportedCommandLine_; }
  const std::wstring& ReportedFolder() const { return reportedFolder_; }
  void Release() { SetEvent(event_.get()); }

 private:
  std::wstring report_;
  std::wstring eventName_;
  UniqueHandle event_;
  std::wstring commandLine_;
  DWORD pid_ = 0;
  std::wstring reportedCommandLine_;
  std::wstring reportedFolder_;
};

bool ProcessRunning(DWORD processId);
// The process ID in a probe's report at `path`, once it is there; 0 if it
// never comes.
DWORD ReportedPid(const std::wstring& path);
// The window of a probe started with /window (in front before its report is
// written), or null.
HWND ProbeWindow(DWORD processId);
// Brings `window` to the front; whether it got there.
bool BringToFront(HWND window);
// The whole content of a file, also one still open for writing, or nothing
// when it cannot be read.
std::string ReadWholeFile(const std::wstring& path);

// The first message box of `processId` within the time, or nothing.
std::optional<DialogView> WaitForMessageBox(DWORD processId, DWORD timeoutMs = kTimeoutMs);
// Clicks the box's OK button.
void CloseMessageBox(const DialogView& box);
// The manual dialog of `processId`, or null on timeout.
HWND WaitForManualDialog(DWORD processId, DWORD timeoutMs = kTimeoutMs);

// Observes the test's own key presses after Hushpad's hook, and takes them
// out of the system's way: by default through a low-level keyboard hook of
// this process, installed before any Hushpad starts, so that it sees exactly
// what Hushpad hands on; or through a focused window of this process, what
// reaches the programs. Wine leaves a killed process's hook in the chain, and
// hooks older than it see no key again: tests that kill a copy watch a window.
class WindowsKeyObserver {
 public:
  enum class Via { EarlierHook, FocusedWindow };
  struct Stroke {
    WORD vk;
    bool up;
    bool operator==(const Stroke& other) const { return vk == other.vk && up == other.up; }
  };
  using Strokes = std::vector<Stroke>;

  explicit WindowsKeyObserver(Via via = Via::EarlierHook);
  ~WindowsKeyObserver();
  WindowsKeyObserver(const WindowsKeyObserver&) = delete;
  WindowsKeyObserver& operator=(const WindowsKeyObserver&) = delete;

  // Whether a press and release of the left Windows key (SendInput) both
  // reach this observer within `waitMs`.
  bool WindowsKeyGetsThrough(DWORD waitMs = 300) {
    return Through({{VK_LWIN, false}, {VK_LWIN, true}}, waitMs).size() == 2;
  }
  // Sends `strokes` in order, then a harmless key, and returns the strokes
  // that reached this observer before that key did (every hook has judged
  // them by then), in order. When it does not come within `waitMs`: a
  // stroke of no key, which no test expects.
  Strokes Through(const Strokes& strokes, DWORD waitMs = 2000);

 private:
  void Send(WORD vk, bool up);

  HHOOK hook_ = nullptr;
  HWND window_ = nullptr;
};

// For `durationMs`, presses the Windows key and the A key in turn, a pair
// every 100 ms: the Windows key must be swallowed every time, and A must get
// through each time within `maxDelayMs`.
void ExpectSuppressedWithKeysFlowing(WindowsKeyObserver& keys, DWORD durationMs,
                                     ULONGLONG maxDelayMs = 50);

// The simulated system's settings that the copies of the test build share
// (Wine keeps none of its own). While such an object exists, every Hushpad
// started uses it.
class SimulatedSettings {
 public:
  explicit SimulatedSettings(const SimulatedAccessibility& initial);
  ~SimulatedSettings();
  SimulatedSettings(const SimulatedSettings&) = delete;
  SimulatedSettings& operator=(const SimulatedSettings&) = delete;
  SimulatedAccessibility Current() const { return *view_; }
  // As the user, or another program, would change them.
  void Change(const SimulatedAccessibility& now) { *view_ = now; }

 private:
  UniqueHandle section_;
  SimulatedAccessibility* view_;
};

// Retrieves and dispatches this thread's messages (and with them the calls of
// its hooks) until `done` holds or `milliseconds` have passed: whether it holds.
template <typename Condition>
bool PumpMessagesUntil(Condition done, DWORD milliseconds) {
  for (const ULONGLONG deadline = GetTickCount64() + milliseconds; !done();) {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
    const ULONGLONG now = GetTickCount64();
    if (done()) break;
    if (now >= deadline) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(deadline - now), QS_ALLINPUT);
  }
  return true;
}
void PumpMessages(DWORD milliseconds);
