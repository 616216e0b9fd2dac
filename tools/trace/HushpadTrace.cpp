// HushpadTrace [--pictures FOLDER] [--answer-after SECONDS] [--keys]
//              COMMAND [ARGUMENTS ...]
//
// Runs the command line as a debuggee and prints each debug-output text to
// standard output as it arrives (UTF-8 into a file or pipe, wide text into a
// console); a text without a final line feed gets one, so every text starts a
// line of its own. Among those lines it shows each message box and manual
// dialog of the debuggee (not of its children) as it opens: caption, icon,
// text and buttons. Exits with the debuggee's exit code, or, when the command
// cannot be started, prints the reason to standard error and exits with the
// Win32 error code.
//
// However this viewer ends (its console closed, sign-out, Task Manager, a
// crash), the debuggee runs on: the system detaches it rather than ending it.
// On a console event (Ctrl+C, Ctrl+Break, the console closed, sign-out,
// shutdown) the viewer detaches by itself, prints a line that says so and
// exits with STATUS_CONTROL_C_EXIT.
//
// The options come before COMMAND:
//   --pictures FOLDER       saves a PNG picture of each box and dialog, as
//                           drawn on the display, in FOLDER (it must exist)
//   --answer-after SECONDS  after SECONDS presses a message box's default
//                           button and the manual dialog's Re-enable Keys
//   --keys                  reads keys from standard input and presses the
//                           buttons they name (each box lists its keys)
#include <windows.h>

#include <atomic>
#include <cwchar>
#include <functional>
#include <optional>
#include <string>

#include "CommandLine.h"
#include "DebuggedProcess.h"
#include "DialogWatch.h"
#include "KeyReader.h"
#include "OutputQueue.h"

namespace {

constexpr wchar_t kUsage[] =
    L"usage: HushpadTrace [--pictures FOLDER] [--answer-after SECONDS] [--keys]\n"
    L"                    COMMAND [ARGUMENTS ...]\n";

void WriteError(const std::wstring& text) noexcept {
  OutputQueue(GetStdHandle(STD_ERROR_HANDLE)).Post(text);
}

// While it lives, a console event makes the viewer let go of the debuggee:
// the debug thread answers the event in hand and detaches, the line saying so
// is printed, and then Left() holds. A close, sign-out or shutdown ends this
// process as soon as the handler returns, before any destructor runs, so for
// those the handler first waits for the queued lines to be written. Both
// waits together stay well within the 5 seconds Windows grants a handler
// ("HandlerRoutine callback function", Remarks).
class DetachOnConsoleEvent {
 public:
  DetachOnConsoleEvent(DebuggedProcess& process, OutputQueue& output)
      : process_(process), output_(output) {
    AcquireSRWLockExclusive(&lock_);
    current_ = this;
    ReleaseSRWLockExclusive(&lock_);
    SetConsoleCtrlHandler(Handle, TRUE);  // stays: it does nothing without a current_
  }
  ~DetachOnConsoleEvent() {
    AcquireSRWLockExclusive(&lock_);
    current_ = nullptr;
    ReleaseSRWLockExclusive(&lock_);
  }
  DetachOnConsoleEvent(const DetachOnConsoleEvent&) = delete;
  DetachOnConsoleEvent& operator=(const DetachOnConsoleEvent&) = delete;

  bool Left() const { return left_; }

 private:
  static constexpr DWORD kDetachMs = 2000, kWriteMs = 1500;

  static BOOL WINAPI Handle(DWORD event) noexcept {
    AcquireSRWLockExclusive(&lock_);
    if (current_) {
      if (!current_->left_) current_->Detach();
      if (event == CTRL_CLOSE_EVENT || event == CTRL_LOGOFF_EVENT || event == CTRL_SHUTDOWN_EVENT) {
        current_->output_.WaitUntilWritten(kWriteMs);
      }
    }
    ReleaseSRWLockExclusive(&lock_);
    return TRUE;
  }

  void Detach() noexcept {
    const DWORD error = process_.Detach(kDetachMs);
    if (error == ERROR_SUCCESS) {
      output_.Post(L"HushpadTrace: detached; Hushpad carries on without the viewer.\n");
      left_ = true;
    } else if (error != ERROR_PROCESS_ABORTED) {  // ended by itself: main reports its exit code
      output_.Post(L"HushpadTrace: cannot detach: error " + std::to_wstring(error) + L"\n");
    }
  }

  static inline SRWLOCK lock_ = SRWLOCK_INIT;  // no destructor: safe while the process exits
  static inline DetachOnConsoleEvent* current_ = nullptr;
  DebuggedProcess& process_;
  OutputQueue& output_;
  std::atomic<bool> left_{false};
};

struct Invocation {
  DialogWatch::Options watch;
  std::wstring command;
};

// Takes the options off the front of the command line; nothing on a usage
// error (an unknown option, a missing or bad value, no COMMAND).
std::optional<Invocation> ParseInvocation(const wchar_t* commandLine) {
  Invocation invocation;
  std::wstring rest = SplitFirstToken(commandLine).rest;  // after the program name
  for (;;) {
    const CommandLineSplit option = SplitFirstToken(rest.c_str());
    if (option.first == L"--keys") {
      invocation.watch.keys = true;
      rest = option.rest;
      continue;
    }
    if (option.first != L"--pictures" && option.first != L"--answer-after") break;
    const CommandLineSplit value = SplitFirstToken(option.rest.c_str());
    if (value.first.empty()) return std::nullopt;
    if (option.first == L"--pictures") {
      invocation.watch.picturesFolder = value.first;
    } else {
      wchar_t* end = nullptr;
      const unsigned long seconds = std::wcstoul(value.first.c_str(), &end, 10);
      if (*end != L'\0' || value.first[0] == L'-' || seconds > 24 * 3600) return std::nullopt;
      invocation.watch.answerAfterMs = seconds * 1000;
    }
    rest = value.rest;
  }
  if (rest.empty() || rest.rfind(L"--", 0) == 0) return std::nullopt;
  invocation.command = rest;
  return invocation;
}

}  // namespace

int main() {
  const std::optional<Invocation> invocation = ParseInvocation(GetCommandLineW());
  if (!invocation) {
    WriteError(kUsage);
    return ERROR_BAD_ARGUMENTS;
  }
  // The trace lines come on the debug thread, the dialogs on this one. While
  // the debug thread handles an event, every thread of the debuggee stands
  // still, its keyboard hook among them (Windows suspends the whole process
  // until the event is answered), so that thread never waits on the output:
  // a text waits in the queue, never in Hushpad.
  OutputQueue output(GetStdHandle(STD_OUTPUT_HANDLE));
  const auto print = [&output](const std::wstring& text) { output.Post(text); };
  DebuggedProcess process(
      invocation->command,
      [&print](const std::wstring& text) {
        print(!text.empty() && text.back() == L'\n' ? text : text + L'\n');
      },
      DebuggedProcess::IfDebuggerEnds::DetachDebuggee);
  if (process.StartFailed()) {
    const DWORD error = process.StartError();
    WriteError(L"HushpadTrace: cannot start " + invocation->command + L": error " +
               std::to_wstring(error) + L"\n");
    return static_cast<int>(error);
  }
  const DetachOnConsoleEvent detacher(process, output);
  std::optional<KeyReader> keys;
  if (invocation->watch.keys) keys.emplace();
  DialogWatch watch(process.ProcessId(), invocation->watch, print);
  while (!process.WaitForExit(50)) {
    if (detacher.Left()) return static_cast<int>(STATUS_CONTROL_C_EXIT);
    MSG message;
    while (PeekMessageW(&message, nullptr, kKeyMessage, kKeyMessage, PM_REMOVE)) {
      watch.OnKey(static_cast<wchar_t>(message.wParam));
    }
    watch.Poll();
  }
  return static_cast<int>(process.ExitCode());
}
