#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "app/copies/CopyWishes.h"

// What the command line asks the launch step to start.
struct LaunchRequest {
  std::vector<std::wstring> arguments;  // Hushpad's own, after its name, as split
  size_t program = 0;                   // PROGRAM's place in them; its ARGUMENTS follow
  bool manual = false;                  // --manual
  bool family = false;                  // --tree, never together with `manual`
};

// The launch step. PROGRAM starts as an ordinary program when it can: traces
// "Hushpad: Launching: %s" with PROGRAM and its ARGUMENTS, each quoted and
// joined by single spaces, starts that command line with CreateProcessW, then
// shows the manual dialog when `manual` is set, or else waits for the child
// while dispatching `window`'s messages. With `family` the wait lasts until
// every program that the child starts, and they in turn, have ended too; where
// they cannot be followed, the reason is traced and the manual dialog is shown
// instead, so that the keys stay off until the user says otherwise. The child
// is never terminated once it runs, and never left suspended; its handles are
// closed on every way out. The child, and a followed family, go into this
// copy's `entry` before they can show a window.
//
// What CreateProcessW refuses may still start another way (ChooseLaunchWay):
// a program that needs administrator rights through a copy of Hushpad run as
// administrator, where that copy stays this account; a shortcut (.lnk) as its
// target, which is then started like PROGRAM; a URL, an internet shortcut or a
// document through the program registered for it, with the manual dialog.
// What starts in none of these ways is reported in IDS_LAUNCH_ERROR, naming
// `program` as the user typed it (a shortcut's target, when that is what
// failed), with the shell's reason when the shell could not open it either,
// and is no exception. Win32Error IDS_THREAD_ERROR or IDS_MUTEX_ERROR from a
// wait or the dialog passes through.
void LaunchProgram(const LaunchRequest& request, HWND window, CopyEntry& entry);
