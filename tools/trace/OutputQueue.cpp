#include "OutputQueue.h"

#include <chrono>
#include <utility>

namespace {

void Write(HANDLE stream, const std::wstring& text) noexcept {
  DWORD mode = 0;
  DWORD written = 0;
  if (GetConsoleMode(stream, &mode)) {
    WriteConsoleW(stream, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    return;
  }
  const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                       nullptr, 0, nullptr, nullptr);
  if (size <= 0) return;
  try {
    std::string utf8(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), utf8.data(), size,
                        nullptr, nullptr);
    WriteFile(stream, utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr);
  } catch (...) {
    // No memory for the conversion: this text is lost, the next may fit.
  }
}

}  // namespace

OutputQueue::OutputQueue(HANDLE stream) : stream_(stream), writer_(&OutputQueue::Run, this) {}

OutputQueue::~OutputQueue() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    closing_ = true;
  }
  posted_.notify_one();
  writer_.join();
}

void OutputQueue::Post(const std::wstring& text) noexcept {
  try {
    std::lock_guard<std::mutex> lock(mutex_);
    pending_.push_back(text);
  } catch (...) {
    return;
  }
  posted_.notify_one();
}

bool OutputQueue::WaitUntilWritten(DWORD timeoutMs) noexcept {
  try {
    std::unique_lock<std::mutex> lock(mutex_);
    return written_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                             [this] { return pending_.empty() && !writing_; });
  } catch (...) {
    return false;
  }
}

void OutputQueue::Run() noexcept {
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    posted_.wait(lock, [this] { return closing_ || !pending_.empty(); });
    if (pending_.empty()) return;  // closing, with everything written
    std::wstring text = std::move(pending_.front());
    pending_.pop_front();
    writing_ = true;
    lock.unlock();
    Write(stream_, text);  // may block for good; only this thread waits then
    lock.lock();
    writing_ = false;
    written_.notify_all();
  }
}
