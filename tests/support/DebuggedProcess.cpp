#include "DebuggedProcess.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <utility>

namespace {

using WaitForDebugEventFunction = BOOL(WINAPI*)(DEBUG_EVENT*, DWORD);

// WaitForDebugEventEx (Windows 10 and later) reports OutputDebugStringW's text
// as Unicode; WaitForDebugEvent only sees its ANSI fallback.
WaitForDebugEventFunction DebugEventWaiter() noexcept {
  const HMODULE kernel32 = GetModuleHandleW(L"kernel32.dll");
  const FARPROC ex = kernel32 ? GetProcAddress(kernel32, "WaitForDebugEventEx") : nullptr;
  if (ex != nullptr) return reinterpret_cast<WaitForDebugEventFunction>(reinterpret_cast<void*>(ex));
  return &WaitForDebugEvent;
}

// Reads the debuggee's string up to its terminator. nDebugStringLength is only
// the low 16 bits of the length, so the terminator decides. Reads never cross
// a page boundary in one call, so an unreadable page after the string cannot
// spoil the part before it.
std::wstring ReadDebugString(HANDLE process, const OUTPUT_DEBUG_STRING_INFO& info) {
  constexpr size_t kPage = 4096;
  constexpr size_t kLimit = 1 << 20;
  const size_t unit = info.fUnicode ? sizeof(wchar_t) : sizeof(char);
  auto address = reinterpret_cast<uintptr_t>(info.lpDebugStringData);
  std::vector<char> bytes;
  size_t scanned = 0;
  bool terminated = false;
  while (!terminated && bytes.size() < kLimit) {
    char chunk[512];
    const size_t size = std::min(sizeof(chunk), kPage - address % kPage);
    SIZE_T read = 0;
    if (!ReadProcessMemory(process, reinterpret_cast<const void*>(address), chunk, size, &read) ||
        read == 0) {
      break;
    }
    bytes.insert(bytes.end(), chunk, chunk + read);
    address += read;
    for (; scanned + unit <= bytes.size(); scanned += unit) {
      if (std::all_of(bytes.begin() + scanned, bytes.begin() + scanned + unit,
                      [](char c) { return c == 0; })) {
        terminated = true;
        break;
      }
    }
  }
  if (info.fUnicode) {
    std::wstring text(scanned / sizeof(wchar_t), L'\0');
    std::memcpy(text.data(), bytes.data(), text.size() * sizeof(wchar_t));
    return text;
  }
  if (scanned == 0) return {};
  const int length = MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(scanned), nullptr, 0);
  std::wstring text(static_cast<size_t>(length), L'\0');
  MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(scanned), text.data(), length);
  return text;
}

void CloseIfOpen(HANDLE file) noexcept {
  if (file != nullptr) CloseHandle(file);
}

}  // namespace

DebuggedProcess::DebuggedProcess(std::wstring commandLine, std::wstring currentDirectory,
                                 TraceCallback onTrace)
    : onTrace_(std::move(onTrace)) {
  debugThread_ = std::thread(&DebuggedProcess::Run, this, std::move(commandLine),
                             std::move(currentDirectory));
  std::unique_lock<std::mutex> lock(mutex_);
  changed_.wait(lock, [this] { return startDone_; });
}

DebuggedProcess::DebuggedProcess(std::wstring commandLine, TraceCallback onTrace)
    : DebuggedProcess(std::move(commandLine), std::wstring(), std::move(onTrace)) {}

DebuggedProcess::~DebuggedProcess() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
    if (!ended_ && process_) TerminateProcess(process_.get(), 1);
  }
  debugThread_.join();
}

bool DebuggedProcess::StartFailed() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return startError_ != 0;
}

DWORD DebuggedProcess::StartError() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return startError_;
}

DWORD DebuggedProcess::ProcessId() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return processId_;
}

bool DebuggedProcess::WaitForTrace(const std::wstring& text, DWORD timeoutMs) {
  return WaitForTraceCount(text, 1, timeoutMs);
}

bool DebuggedProcess::WaitForTraceCount(const std::wstring& text, size_t count, DWORD timeoutMs) {
  std::unique_lock<std::mutex> lock(mutex_);
  size_t checked = 0;
  size_t found = 0;
  const auto seen = [&] {
    for (; checked < traces_.size(); ++checked) found += traces_[checked] == text ? 1 : 0;
    return found >= count || ended_;
  };
  if (timeoutMs == INFINITE) {
    changed_.wait(lock, seen);
  } else {
    changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs), seen);
  }
  return found >= count;
}

size_t DebuggedProcess::CountTrace(const std::wstring& text) const {
  std::lock_guard<std::mutex> lock(mutex_);
  return static_cast<size_t>(std::count(traces_.begin(), traces_.end(), text));
}

std::vector<std::wstring> DebuggedProcess::Traces() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return traces_;
}

bool DebuggedProcess::WaitForExit(DWORD timeoutMs) {
  std::unique_lock<std::mutex> lock(mutex_);
  const auto ended = [this] { return ended_; };
  if (timeoutMs == INFINITE) {
    changed_.wait(lock, ended);
    return true;
  }
  return changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs), ended);
}

DWORD DebuggedProcess::ExitCode() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return exitCode_;
}

void DebuggedProcess::Run(std::wstring commandLine, std::wstring currentDirectory) noexcept {
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION created{};
  // CreateProcessW may write into the command line, so it gets its own buffer.
  commandLine.push_back(L'\0');
  const BOOL started = CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE,
                                      DEBUG_ONLY_THIS_PROCESS, nullptr,
                                      currentDirectory.empty() ? nullptr : currentDirectory.c_str(),
                                      &startup, &created);
  const DWORD error = started ? 0 : GetLastError();
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
      case CREATE_PROCESS_DEBUG_EVENT:
        // The process and thread handles of this event belong to the system.
        CloseIfOpen(event.u.CreateProcessInfo.hFile);
        break;
      case LOAD_DLL_DEBUG_EVENT:
        CloseIfOpen(event.u.LoadDll.hFile);
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
      default:
        break;
    }
    ContinueDebugEvent(event.dwProcessId, event.dwThreadId, continueStatus);
  }
}

void DebuggedProcess::AddTrace(std::wstring text) {
  if (onTrace_) onTrace_(text);
  {
    std::lock_guard<std::mutex> lock(mutex_);
    traces_.push_back(std::move(text));
  }
  changed_.notify_all();
}
