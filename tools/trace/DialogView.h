#pragma once

// Message boxes and the manual dialog of another process, read from outside
// as a person sees them: caption, text, icon, buttons and the picture on the
// screen. The trace viewer prints and answers them; the tests check them.
#include <windows.h>

#include <string>
#include <vector>

#include "ScreenPicture.h"

enum class BoxIcon { None, Error, Warning, Information };

struct DialogView {
  HWND window = nullptr;
  std::wstring caption;
  std::wstring text;  // line breaks as "\n"
  // Button labels as written ("&Hide"), from left to right, and their
  // control IDs in the same order.
  std::vector<std::wstring> buttons;
  std::vector<int> buttonIds;
  BoxIcon icon = BoxIcon::None;  // told by its colours: error red, warning yellow, information blue
  ScreenPicture picture;         // the window as drawn on the display
};

// The visible top-level dialogs (class "#32770") of process `processId`, the
// message boxes among them.
std::vector<HWND> VisibleDialogsOf(DWORD processId);
// Whether `dialog` is Hushpad's manual dialog (it has the Re-enable Keys button).
bool IsManualDialog(HWND dialog);

// Reads `dialog`. A window paints itself a moment after it appears, so this
// waits, for at most `paintTimeoutMs`, until its picture stays the same and a
// box's icon can be told; what it reads then may still be unfinished.
DialogView ReadDialog(HWND dialog, DWORD paintTimeoutMs = 3000);

// Clicks button `id` of `dialog` (also a minimised one) and returns at once.
void PressButton(HWND dialog, int id);
// The dialog's default button (IDOK when it does not say).
int DefaultButton(HWND dialog);
