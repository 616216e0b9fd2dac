#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "DialogView.h"

// Watches one process for its message boxes and its manual dialog, and shows
// them in text as they open: kind, caption, icon, text and buttons, then
// what happens to them (minimised or hidden, shown again, a button pressed here). On
// request it saves a picture of each and presses their buttons: at typed
// keys, or by itself after a while. All members run on one thread.
class DialogWatch {
 public:
  struct Options {
    // A picture of each box and dialog goes there as "N-message-box.png" or
    // "N-manual-dialog.png"; empty: no pictures.
    std::wstring picturesFolder;
    // After this long a message box gets its default button, and the manual
    // dialog Re-enable Keys: its default, Hide, only minimises it and would
    // never end the run. INFINITE: never.
    DWORD answerAfterMs = INFINITE;
    // Whether keys are read (OnKey): each box then lists the keys it takes.
    bool keys = false;
  };
  // Receives every text to print, a whole number of lines at a time.
  using Printer = std::function<void(const std::wstring& lines)>;

  DialogWatch(DWORD processId, Options options, Printer print);

  // Looks at the process's dialogs now: prints the new ones (waiting for
  // them to be painted), notes the minimised and restored ones, and answers
  // those whose time has come.
  void Poll();
  // A typed key for the dialog opened last: the letter a button's label
  // underlines presses it, Enter presses the default button, and "s" shows a
  // minimised or hidden dialog again. Other keys, and keys while no dialog is open, do
  // nothing.
  void OnKey(wchar_t key);

 private:
  struct Shown {
    DialogView view;
    bool manual = false;
    ULONGLONG shownAt = 0;
    bool answered = false;  // a button that ends it was pressed
    bool minimised = false;
  };

  void Show(HWND window);
  void Press(Shown& shown, int id, const std::wstring& how);
  void Note(const Shown& shown, const std::wstring& event);

  DWORD processId_;
  Options options_;
  Printer print_;
  std::vector<Shown> shown_;  // the open ones, in the order they opened
  int count_ = 0;             // how many opened so far: numbers the pictures
};
