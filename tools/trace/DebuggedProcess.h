#pragma once

#include <windows.h>

#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "text/UniqueHandle.h"

// Runs one command line as a debuggee (DEBUG_ONLY_THIS_PROCESS) and collects
// the texts it writes with OutputDebugStringW/A, exactly as a debugger sees
// them: the "Hushpad: ..." trace lines of the program under test.
//
// Windows delivers debug events only to the thread that created the debuggee,
// so each DebuggedProcess starts its process on a debug thread of its own. Any
// number of them may run at once, each seeing only its own process (not its
// children).
//
// Texts are stored exactly as written, including a trailing "\n" or its
// absence. Unicode strings arrive intact where the system offers
// WaitForDebugEventEx (Windows 10, Wine); otherwise OutputDebugStringW falls
// back to an ANSI string, converted here with the ANSI code page.
//
// The constructor returns once the process has started or failed to start.
// The destructor terminates a debuggee that is still running and attached
// (exit code 1) and joins the debug thread; nothing leaks on any path. All
// members may be called from any thread; every timeout is in milliseconds and
// may be INFINITE.
class DebuggedProcess {
 public:
  // Called on the debug thread for each text as it arrives, before it is
  // stored (so Traces() does not contain it yet). Must not throw, and must
  // return at once: while it runs, the event is not yet answered, and Windows
  // holds every thread of the debuggee still from the moment it raises a
  // debug event until its debugger answers it, not only the one that wrote
  // the text.
  using TraceCallback = std::function<void(const std::wstring& text)>;

  // What the system does with a debuggee still running when this process
  // ends in any way (returns, is killed, crashes): ends it too, or detaches
  // it, and it runs on.
  enum class IfDebuggerEnds { EndDebuggee, DetachDebuggee };

  // `commandLine` as for CreateProcessW (the program is its first token);
  // `currentDirectory` empty means this process's current directory.
  explicit DebuggedProcess(std::wstring commandLine, std::wstring currentDirectory = {},
                           TraceCallback onTrace = {},
                           IfDebuggerEnds ifDebuggerEnds = IfDebuggerEnds::EndDebuggee);
  DebuggedProcess(std::wstring commandLine, TraceCallback onTrace, IfDebuggerEnds ifDebuggerEnds);
  ~DebuggedProcess();
  DebuggedProcess(const DebuggedProcess&) = delete;
  DebuggedProcess& operator=(const DebuggedProcess&) = delete;

  // Whether CreateProcessW failed, and its GetLastError() code (0 if started).
  bool StartFailed() const;
  DWORD StartError() const;
  // 0 when the start failed.
  DWORD ProcessId() const;

  // True as soon as a text equal to `text` (exact, including "\n") has been
  // seen, also before this call. False on timeout, or at once when the process
  // has ended without writing it.
  bool WaitForTrace(const std::wstring& text, DWORD timeoutMs);
  // Every text so far, in order.
  std::vector<std::wstring> Traces() const;

  // True once the process has ended (also when it never started).
  bool WaitForExit(DWORD timeoutMs);
  // The exit code, or STILL_ACTIVE while the process runs.
  DWORD ExitCode() const;

  // Lets the process go: the debug thread answers the event it is handling,
  // if any, then detaches (DebugActiveProcessStop). The process runs on
  // without a debugger; its texts and its end are no longer seen, and the
  // destructor leaves it be. Returns ERROR_SUCCESS once detached (also when
  // already), ERROR_PROCESS_ABORTED when the process has ended (or never
  // started), WAIT_TIMEOUT when the debug thread has not got to it in time
  // (it still will), or DebugActiveProcessStop's error.
  DWORD Detach(DWORD timeoutMs);

 private:
  void Run(std::wstring commandLine, std::wstring currentDirectory) noexcept;
  void DebugLoop() noexcept;
  bool DetachIfAsked() noexcept;
  void AddTrace(std::wstring text);

  TraceCallback onTrace_;
  IfDebuggerEnds ifDebuggerEnds_;
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  bool startDone_ = false;
  DWORD startError_ = 0;
  DWORD processId_ = 0;
  UniqueHandle process_;
  bool ended_ = false;
  DWORD exitCode_ = STILL_ACTIVE;
  std::vector<std::wstring> traces_;
  bool stopping_ = false;  // set by the destructor: leave the debug loop
  bool detachAsked_ = false;
  bool detached_ = false;
  DWORD detachError_ = ERROR_SUCCESS;
  std::thread debugThread_;
};
