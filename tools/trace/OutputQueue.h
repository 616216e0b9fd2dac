#pragma once

#include <windows.h>

#include <condition_variable>
#include <deque>
#include <mutex>
#include <string>
#include <thread>

// Writes texts to a stream on a thread of its own, in the order they are
// posted: UTF-8 into a file or pipe, wide text into a console. Posting never
// waits for the stream, which may block for as long as it likes (a pipe that
// nobody reads, a console whose text is being selected, the Pause key): the
// texts wait here meanwhile. The destructor writes what is left, then ends
// the thread.
class OutputQueue {
 public:
  explicit OutputQueue(HANDLE stream);
  ~OutputQueue();
  OutputQueue(const OutputQueue&) = delete;
  OutputQueue& operator=(const OutputQueue&) = delete;

  // Queues `text` for the stream; any thread, never blocks on the stream. A
  // text that cannot be queued (no memory) is dropped.
  void Post(const std::wstring& text) noexcept;

  // Waits until every text posted so far has been written, or `timeoutMs`
  // has passed; true when all is written. For a process about to be ended,
  // whose destructors will not run.
  bool WaitUntilWritten(DWORD timeoutMs) noexcept;

 private:
  void Run() noexcept;

  const HANDLE stream_;
  std::mutex mutex_;
  std::condition_variable posted_, written_;
  std::deque<std::wstring> pending_;
  bool writing_ = false;
  bool closing_ = false;
  std::thread writer_;
};
