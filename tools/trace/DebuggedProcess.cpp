#include "DebuggedProcess.h"

#include <algorithm>
#include <chrono>
#include <iterator>
#include <utility>

namespace {

using WaitForDebugEventFunction = BOOL(WINAPI*)(DEBUG_EVENT*, DWORD);

// WaitForDebugEventEx (Windows 10 and later) reports OutputDebugStringW's text
// as Unicode; WaitForDebugEvent only sees its ANSI fallback.
WaitForDebugEventFunction DebugEventWaiter() noexcept {
  const HMODULE kernel32 = GetModuleHandleW(L"kernel32.dll");
  const FARPROC ex = kernel32 ? GetProcAddress(kernel32, "WaitForDebugEventEx") : nullptr;
  if (ex != nullptr)
    return reinterpret_cast<WaitForDebugEventFunction>(reinterpret_cast<void*>(ex));
  return &WaitForDebugEvent;
}

// Reads the debuggee's string up to its terminator: nDebugStringLength holds
// only the low 16 bits of the length. No read crosses a page boundary, so an
// unreadable page after the string cannot spoil the part before it.
template <typename Char>
std::basic_string<Char> ReadTerminated(HANDLE process, const void* start) {
  constexpr uintptr_t kPage = 4096;
  std::basic_string<Char> text;
  auto address = reinterpret_cast<uintptr_t>(start);
  while (text.size() < (1u << 20)) {
    Char chunk[256];
    const size_t count =
        std::clamp<size_t>((kPage - address % kPage) / sizeof(Char), 1, std::size(chunk));
    SIZE_T read = 0;
    ReadProcessMemory(process, reinterpret_cast<const void*>(address), chunk, count * sizeof(Char),
                      &read);
    Char* const end = chunk + read / sizeof(Char);
    Char* const terminator = std::find(chunk, end, Char{});
    text.append(chunk, terminator);
    if (terminator != end || end == chunk) break;
    address += (end - chunk) * sizeof(Char);
  }
  return text;
}

std::wstring ReadDebugString(HANDLE process, const OUTPUT_DEBUG_STRING_INFO& info) {
  if (info.fUnicode) return ReadTerminated<wchar_t>(process, info.lpDebugStringData);
  const std::string ansi = ReadTerminated<char>(process, info.lpDebugStringData);
  std::wstring text(ansi.size(), L'\0');  // never more UTF-16 units than bytes
  const int length = MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()),
                                         text.data(), static_cast<int>(text.size()));
  text.resize(static_cast<size_t>(std::max(0, length)));
  return text;
}

template <typename Predicate>
bool WaitUntil(std::condition_variable& changed, std::unique_lock<std::mutex>& lock,
               DWORD timeoutMs, Predicate done) {
  if (timeoutMs != INFINITE) {
    return changed.wait_for(lock, std::chrono::milliseconds(timeoutMs), done);
  }
  changed.wait(lock, done);
  return true;
}

}  // namespace

DebuggedProcess::DebuggedProcess(std::wstring commandLine, std::wstring currentDirectory,
                                 TraceCallback onTrace, IfDebuggerEnds ifDebuggerEnds)
    : onTrace_(std::move(onTrace)), ifDebuggerEnds_(ifDebuggerEnds) {
  debugThread_ =
      std::thread(&DebuggedProcess::Run, this, std::move(commandLine), std::move(currentDirectory));
  std::unique_lock<std::mutex> lock(mutex_);
  changed_.wait(lock, [this] { return startDone_; });
}

DebuggedProcess::DebuggedProcess(std::wstring commandLine, TraceCallback onTrace,
                                 IfDebuggerEnds ifDebuggerEnds)
    : DebuggedProcess(std::move(commandLine), std::wstring(), std::move(onTrace), ifDebuggerEnds) {}

DebuggedProcess::~DebuggedProcess() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
    if (!ended_ && !detached_ && process_) TerminateProcess(process_.get(), 1);
  }
  debugThread_.join();
}

bool DebuggedProcess::StartFailed() const { return StartError() != 0; }

DWORD DebuggedProcess::StartError() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return startError_;
}

DWORD DebuggedProcess::ProcessId() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return processId_;
}

bool DebuggedProcess::WaitForTrace(const std::wstring& text, DWORD timeoutMs) {
  std::unique_lock<std::mutex> lock(mutex_);
  const auto seen = [&] {
    return std::find(traces_.begin(), traces_.end(), text) != traces_.end();
  };
  WaitUntil(changed_, lock, timeoutMs, [&] { return ended_ || seen(); });
  return seen();
}

std::vector<std::wstring> DebuggedProcess::Traces() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return traces_;
}

bool DebuggedProcess::WaitForExit(DWORD timeoutMs) {
  std::unique_lock<std::mutex> lock(mutex_);
  return WaitUntil(changed_, lock, timeoutMs, [this] { return ended_; });
}

DWORD DebuggedProcess::ExitCode() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return exitCode_;
}

DWORD DebuggedProcess::Detach(DWORD timeoutMs) {
  std::unique_lock<std::mutex> lock(mutex_);
  if (!ended_ && !detached_) detachAsked_ = true;
  const bool answered =
      WaitUntil(changed_, lock, timeoutMs, [this] { return ended_ || !detachAsked_; });
  if (detached_) return ERROR_SUCCESS;
  if (ended_) return ERROR_PROCESS_ABORTED;
  return answered ? detachError_ : WAIT_TIMEOUT;
}

void DebuggedProcess::Run(std::wstring commandLine, std::wstring currentDirectory) noexcept {
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION created{};
  // CreateProcessW may write into the command line, so it gets its own buffer.
  commandLine.push_back(L'\0');
  const BOOL started = CreateProcessW(
      nullptr, commandLine.data(), nullptr, nullptr, FALSE, DEBUG_ONLY_THIS_PROCESS, nullptr,
      currentDirectory.empty() ? nullptr : currentDirectory.c_str(), &startup, &created);
  const DWORD error = started ? 0 : GetLastError();
  // At once, before the debuggee can change anything that would have to be
  // put back: from here on the end of this process leaves it running. It
  // cannot fail: this thread has just become a debugger.
  if (started && ifDebuggerEnds_ == IfDebuggerEnds::DetachDebuggee) {
    DebugSetProcessKillOnExit(FALSE);
  }
  {
    std::lock_guard<std::mutex> lock(mutex_);
    startDone_ = true;
    if (started) {
      CloseHandle(created.hThread);
      process_.reset(created.hProcess);
      processId_ = created.dwProcessId;
    } else {
      startError_ = error != 0 ? error : ERROR_GEN_FAILURE;
      ended_ = true;
    }
  }
  changed_.notify_all();
  if (started) DebugLoop();
}

void DebuggedProcess::DebugLoop() noexcept {
  const WaitForDebugEventFunction waitForDebugEvent = DebugEventWaiter();
  for (;;) {
    // Between events, so that the one last handled has been answered.
    if (DetachIfAsked()) return;
    DEBUG_EVENT event{};
    if (!waitForDebugEvent(&event, 100)) {
      // Terminating the debuggee normally ends the loop through its exit
      // event; this is the way out should that never come.
      std::lock_guard<std::mutex> lock(mutex_);
      if (stopping_) return;  // ending this thread also ends the debuggee
      continue;
    }
    DWORD continueStatus = DBG_CONTINUE;
    switch (event.dwDebugEventCode) {
      case CREATE_PROCESS_DEBUG_EVENT:  // its process and thread handles belong to the system
        if (event.u.CreateProcessInfo.hFile) CloseHandle(event.u.CreateProcessInfo.hFile);
        break;
      case LOAD_DLL_DEBUG_EVENT:
        if (event.u.LoadDll.hFile) CloseHandle(event.u.LoadDll.hFile);
        break;
      case OUTPUT_DEBUG_STRING_EVENT:
        AddTrace(ReadDebugString(process_.get(), event.u.DebugString));
        break;
      case EXCEPTION_DEBUG_EVENT:
        // The loader's initial breakpoint is ours to swallow; every other
        // exception goes back to the debuggee's own handlers.
        if (event.u.Exception.ExceptionRecord.ExceptionCode != EXCEPTION_BREAKPOINT) {
          continueStatus = DBG_EXCEPTION_NOT_HANDLED;
        }
        break;
      case EXIT_PROCESS_DEBUG_EVENT: {
        ContinueDebugEvent(event.dwProcessId, event.dwThreadId, DBG_CONTINUE);
        {
          std::lock_guard<std::mutex> lock(mutex_);
          exitCode_ = event.u.ExitProcess.dwExitCode;
          ended_ = true;
        }
        changed_.notify_all();
        return;
      }
    }
    ContinueDebugEvent(event.dwProcessId, event.dwThreadId, continueStatus);
  }
}

bool DebuggedProcess::DetachIfAsked() noexcept {
  DWORD processId = 0;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!detachAsked_) return false;
    processId = processId_;
  }
  // Only the thread that debugs a process may stop debugging it.
  const BOOL stopped = DebugActiveProcessStop(processId);
  const DWORD error = stopped ? ERROR_SUCCESS : GetLastError();
  {
    std::lock_guard<std::mutex> lock(mutex_);
    detachAsked_ = false;
    detached_ = stopped != FALSE;
    detachError_ = error;
  }
  changed_.notify_all();
  return stopped != FALSE;
}

void DebuggedProcess::AddTrace(std::wstring text) {
  if (onTrace_) onTrace_(text);
  {
    std::lock_guard<std::mutex> lock(mutex_);
    traces_.push_back(std::move(text));
  }
  changed_.notify_all();
}
