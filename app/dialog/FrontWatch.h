#pragma once

#include <windows.h>

// Posts `message` to `window` whenever another window comes to the front, and
// whenever the window in front moves or changes size. It listens to the
// system's WinEvents out of context: the system calls back on this thread
// while it retrieves messages, nothing polls, and the keyboard hook takes no
// part. One watch per process at a time; construct and destroy it on the
// thread that owns `window`. Without its events (SetWinEventHook failed), it
// posts nothing.
class FrontWatch {
 public:
  FrontWatch(HWND window, UINT message) noexcept;
  ~FrontWatch();
  FrontWatch(const FrontWatch&) = delete;
  FrontWatch& operator=(const FrontWatch&) = delete;

 private:
  HWINEVENTHOOK foreground_;
  HWINEVENTHOOK location_;
};
