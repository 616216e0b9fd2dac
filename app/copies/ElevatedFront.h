#pragma once

#include <windows.h>

#include "text/UniqueHandle.h"

// A hook does not see the keys typed into a window of a process at a higher
// integrity level than its own (User Interface Privilege Isolation, in
// "Windows Integrity Mechanism Design"): the Windows key reaches a game run
// as administrator whatever Hushpad decides, unless a copy of Hushpad runs as
// administrator too (such a copy always keeps a hook of its own).
//
// A copy cannot read the integrity level of a process above its own: Windows
// refuses it that process's token (OpenProcessToken, ERROR_ACCESS_DENIED),
// though it lets it open the process to query it. So a process counts as
// above this copy exactly when its token is refused; and as above every hook
// when, besides, no other copy of Hushpad runs above this one (is refused in
// the same way). A process of another user, or a protected one, is refused
// too and counts as above; one that has ended meanwhile does not.

// Whether the keys typed into `window` reach no hook of Hushpad's. Opens
// processes and their tokens: never call it from the keyboard hook.
bool AboveEveryHook(HWND window) noexcept;

// Traces, once for each window that comes to the front while AboveEveryHook
// holds for it, "Hushpad: The program in front runs as administrator; the
// Windows key reaches it unless Hushpad runs as administrator too.": on a
// thread of its own, woken by the system's foreground WinEvent only.
class ElevatedFrontNotice {
 public:
  ElevatedFrontNotice() noexcept;  // without a thread, it traces nothing
  ~ElevatedFrontNotice();
  ElevatedFrontNotice(const ElevatedFrontNotice&) = delete;
  ElevatedFrontNotice& operator=(const ElevatedFrontNotice&) = delete;

 private:
  UniqueHandle thread_;
  DWORD threadId_ = 0;
};
