#pragma once

#include <windows.h>

// Reads the keys typed on standard input, on a thread of its own, and posts
// each to the thread that created the reader as kKeyMessage (wParam: the
// character). A console is switched to unbuffered, unechoed input while the
// reader lives; a pipe or a file is read byte by byte (a script at a terminal
// can pass its keys on this way). The reading thread is never joined: it
// ends at the end of the input or with the process, and touches nothing but
// the standard input handle and the creator's message queue.
inline constexpr UINT kKeyMessage = WM_APP + 1;

class KeyReader {
 public:
  KeyReader();
  ~KeyReader();
  KeyReader(const KeyReader&) = delete;
  KeyReader& operator=(const KeyReader&) = delete;

 private:
  HANDLE input_;
  DWORD consoleMode_ = 0;
  bool console_ = false;
};
