#pragma once

// What the end-to-end tests need to drive Hushpad.exe as a user would: start
// copies under the debugger, run the probe child, find and read message boxes
// and the manual dialog, and tell whether the Windows key gets through.
#include <windows.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "DebuggedProcess.h"
#include "app/UniqueHandle.h"

inline constexpr DWORD kTimeoutMs = 60000;

inline constexpr wchar_t kUsage[] =
    L"Usage:\nHushpad PROGRAM [ARGUMENTS ...]\nHushpad --manual [PROGRAM [ARGUMENTS ...]]\n"
    L"Hushpad --version\nHushpad --help\n";

inline constexpr wchar_t kDisabledWindowsKey[] = L"Hushpad: Disabled the Windows key.\n";
inline constexpr wchar_t kDisabledAccessibility[] = L"Hushpad: Disabled the accessibility keys.\n";
inline constexpr wchar_t kEnabledAccessibility[] = L"Hushpad: Re-enabled the accessibility keys.\n";
inline constexpr wchar_t kEnabledWindowsKey[] = L"Hushpad: Re-enabled the Windows key.\n";
inline constexpr wchar_t kExited[] = L"Hushpad: Exited.";

inline constexpr wchar_t kAppMutexName[] =
    L"Local\\Hushpad-{3F1C9E52-84B0-4d6e-9A17-5B2E0C7D41A8}-app";
inline constexpr wchar_t kManualMutexName[] =
    L"Local\\Hushpad-{3F1C9E52-84B0-4d6e-9A17-5B2E0C7D41A8}-manual";

// Windows paths of the programs under test: the shipped Hushpad.exe, its
// fault-injection build, and the probe child.
std::wstring HushpadExe();
std::wstring FaultsExe();
std::wstring ProbeExe();

// A folder of this test run's own, with a trailing backslash.
std::wstring TestFolder();
// A name no other test uses (events, report files).
std::wstring UniqueName(const wchar_t *stem);

// "Launching: %s" etc. formatted as the program formats them.
std::wstring LaunchingTrace(const std::wstring &commandLine);
std::wstring DeferringTrace(DWORD processId);
std::wstring WaitingTrace(DWORD processId);

// The system's text for an error code, trimmed, as the program's boxes show it.
std::wstring SystemText(DWORD error);

// One copy of Hushpad under the debugger. `fault` (for the fault build only)
// becomes its HUSHPAD_FAULT. The destructor ends a copy that is still running.
class Hushpad {
 public:
  explicit Hushpad(const std::wstring &arguments, const std::wstring &fault = {},
                   const std::wstring &currentDirectory = {});
  DebuggedProcess &process() { return *process_; }
  DWORD Pid() const { return process_->ProcessId(); }
  bool WaitForTrace(const std::wstring &text, DWORD timeoutMs = kTimeoutMs) {
    return process_->WaitForTrace(text, timeoutMs);
  }
  std::vector<std::wstring> Traces() const { return process_->Traces(); }
  // True when it ended within the time, with exit code 0.
  bool ExitsWithZero(DWORD timeoutMs = kTimeoutMs);

 private:
  std::unique_ptr<DebuggedProcess> process_;
};

// A probe child's command line: the probe's path, /out:REPORT and /wait:EVENT
// with fresh names, then `extra`. Keeps the event and the names; setting the
// event (also by the destructor) lets the probe end.
class Probe {
 public:
  explicit Probe(const std::wstring &extra = {}, bool wait = true);
  ~Probe();
  Probe(const Probe &) = delete;
  Probe &operator=(const Probe &) = delete;

  const std::wstring &Arguments() const { return arguments_; }
  const std::wstring &ReportPath() const { return report_; }
  // The command line as Hushpad builds it for the child (no quoting needed).
  std::wstring CommandLine() const;
  // Waits for the report; false on timeout.
  bool WaitForReport(DWORD timeoutMs = kTimeoutMs);
  bool Started() const;  // whether a report exists now
  DWORD Pid() const { return pid_; }
  const std::wstring &ReportedCommandLine() const { return commandLine_; }
  const std::vector<std::wstring> &ReportedArguments() const { return argv_; }
  void Release();  // let the probe end

 private:
  std::wstring report_;
  std::wstring eventName_;
  UniqueHandle event_;
  std::wstring arguments_;
  DWORD pid_ = 0;
  std::wstring commandLine_;
  std::vector<std::wstring> argv_;
};

bool ProcessRunning(DWORD processId);
// The whole content of a file, or nothing when it cannot be read.
std::string ReadWholeFile(const std::wstring &path);

enum class BoxIcon { None, Error, Information };

// A message box of one process, as the user sees it.
struct MessageBoxView {
  HWND window = nullptr;
  std::wstring caption;
  std::wstring text;  // line breaks as "\n"
  std::vector<std::wstring> buttons;
  BoxIcon icon = BoxIcon::None;
};

// The first message box of `processId` within the time, or nothing.
std::optional<MessageBoxView> WaitForMessageBox(DWORD processId, DWORD timeoutMs = kTimeoutMs);
// Clicks the box's OK button.
void CloseMessageBox(const MessageBoxView &box);
// Whether `processId` shows any dialog window right now.
bool ShowsDialog(DWORD processId);

// The manual dialog of `processId`, or null on timeout.
HWND WaitForManualDialog(DWORD processId, DWORD timeoutMs = kTimeoutMs);

// Observes the Windows key with a low-level keyboard hook of this process.
// Installed before any Hushpad starts, it is called after Hushpad's hook, so
// it sees exactly what Hushpad lets through.
class WindowsKeyObserver {
 public:
  WindowsKeyObserver();
  ~WindowsKeyObserver();
  WindowsKeyObserver(const WindowsKeyObserver &) = delete;
  WindowsKeyObserver &operator=(const WindowsKeyObserver &) = delete;

  // Presses and releases the left Windows key (SendInput) and reports whether
  // both events got through to this observer.
  bool WindowsKeyGetsThrough();
  // How long SendInput of one Windows-key press and release took, in ms: the
  // time the system spent on the hooks before the next event could go on.
  double WindowsKeyDelayMs();

 private:
  HHOOK hook_ = nullptr;
};

// Retrieves and dispatches this thread's messages for `milliseconds`.
void PumpMessages(DWORD milliseconds);

// A named event created by the test, under a name Hushpad uses for a mutex:
// Hushpad's CreateMutexW on that name then fails.
class NameSquatter {
 public:
  explicit NameSquatter(const wchar_t *name);
  bool Holds() const { return static_cast<bool>(event_); }

 private:
  UniqueHandle event_;
};
