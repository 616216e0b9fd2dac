#pragma once

#include <string>

// Shows text in a modal message box with no owner window, the caption
// "Hushpad", the error icon and one OK button, and returns when the user has
// closed it. An empty text shows an empty box.
void ShowErrorMessage(const std::wstring& text);
