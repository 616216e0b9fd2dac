#include "keys/KeyboardHook.h"

HHOOK g_keyboardHookHandle = nullptr;

LRESULT CALLBACK WindowsKeyHookProc(int nCode, WPARAM wParam, LPARAM lParam) noexcept {
  if (IsSwallowedWindowsKey(nCode, wParam, reinterpret_cast<const KBDLLHOOKSTRUCT*>(lParam))) {
    return 1;
  }
  return CallNextHookEx(g_keyboardHookHandle, nCode, wParam, lParam);
}

KeyboardHook::~KeyboardHook() { Remove(); }

HHOOK KeyboardHook::Install(HOOKPROC procedure) {
  Remove();
  handle_ = SetWindowsHookExW(WH_KEYBOARD_LL, procedure, GetModuleHandleW(nullptr), 0);
  // Nothing may run between the failed call and the return: the caller reads
  // GetLastError() for its error message.
  if (handle_ == nullptr) return nullptr;
  OutputDebugStringW(L"Hushpad: Disabled the Windows key.\n");
  return handle_;
}

void KeyboardHook::Remove() noexcept {
  if (handle_ == nullptr) return;
  UnhookWindowsHookEx(handle_);  // a failure leaves nothing for us to undo
  handle_ = nullptr;
  OutputDebugStringW(L"Hushpad: Re-enabled the Windows key.\n");
}
