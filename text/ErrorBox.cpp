#include "text/ErrorBox.h"

#include <windows.h>

void ShowErrorMessage(const std::wstring& text) {
  // The caption is fixed rather than taken from the string table, so that a
  // box can still be shown when the table itself is what fails.
  MessageBoxW(nullptr, text.c_str(), L"Hushpad", MB_OK | MB_ICONERROR);
}
