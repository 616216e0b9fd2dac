#include "WindowSearch.h"

namespace {

HWND WaitForWindow(HWND parent, DWORD processId, const wchar_t* className, const wchar_t* caption,
                   DWORD timeoutMs) {
  const ULONGLONG deadline = GetTickCount64() + timeoutMs;
  for (;;) {
    HWND window = nullptr;
    while ((window = FindWindowExW(parent, window, className, caption)) != nullptr) {
      // Wine's FindWindowExW also returns message-only windows for a null
      // parent, which Windows does not.
      if (parent == nullptr && GetAncestor(window, GA_PARENT) != GetDesktopWindow()) continue;
      DWORD owner = 0;
      GetWindowThreadProcessId(window, &owner);
      if (processId == 0 || owner == processId) return window;
    }
    if (GetTickCount64() >= deadline) return nullptr;
    Sleep(20);
  }
}

}  // namespace

HWND WaitForTopLevelWindow(DWORD processId, const wchar_t* className, const wchar_t* caption,
                           DWORD timeoutMs) {
  return WaitForWindow(nullptr, processId, className, caption, timeoutMs);
}

HWND WaitForMessageOnlyWindow(DWORD processId, const wchar_t* className, const wchar_t* caption,
                              DWORD timeoutMs) {
  return WaitForWindow(HWND_MESSAGE, processId, className, caption, timeoutMs);
}
