// Direct calls of the hook procedure, for the cases real input cannot
// produce. Outside a hook chain CallNextHookEx returns 0, so 0 means "passed
// on" and 1 "swallowed".
#include "keys/KeyboardHook.h"

#include <gtest/gtest.h>

TEST(WindowsKeyHookProc, SwallowsPlainWindowsKeysOnly_PassesAltWindowsOtherKeysAndOtherCodes) {
  const struct {
    int nCode;
    WPARAM message;
    DWORD vk;
    DWORD flags;
    LRESULT result;
  } cases[] = {
      {HC_ACTION, WM_KEYDOWN, VK_LWIN, 0, 1},
      {HC_ACTION, WM_KEYUP, VK_LWIN, LLKHF_EXTENDED, 1},
      {HC_ACTION, WM_KEYDOWN, VK_RWIN, LLKHF_EXTENDED | LLKHF_INJECTED, 1},
      {HC_ACTION, WM_KEYUP, VK_RWIN, LLKHF_INJECTED, 1},
      {HC_ACTION, WM_SYSKEYDOWN, VK_LWIN, 0, 0},
      {HC_ACTION, WM_SYSKEYUP, VK_RWIN, 0, 0},
      {HC_ACTION, WM_KEYDOWN, VK_APPS, 0, 0},
      {HC_ACTION, WM_KEYUP, VK_APPS, 0, 0},
      {HC_ACTION, WM_KEYDOWN, 'A', 0, 0},
      {HC_ACTION, WM_KEYDOWN, VK_LWIN - 1, 0, 0},
      {HC_ACTION, WM_KEYDOWN, VK_RWIN + 1, 0, 0},
      {HC_ACTION, WM_CHAR, VK_LWIN, 0, 0},
      {-1, WM_KEYDOWN, VK_LWIN, 0, 0},
      {1, WM_KEYUP, VK_RWIN, 0, 0},
      {3, WM_KEYDOWN, VK_LWIN, 0, 0},
  };
  for (const auto& c : cases) {
    KBDLLHOOKSTRUCT key{};
    key.vkCode = c.vk;
    key.flags = c.flags;
    EXPECT_EQ(WindowsKeyHookProc(c.nCode, c.message, reinterpret_cast<LPARAM>(&key)), c.result)
        << "nCode " << c.nCode << " message " << c.message << " vk " << c.vk << " flags "
        << c.flags;
  }
  // A negative code carries no promise about lParam: it is never read.
  EXPECT_EQ(WindowsKeyHookProc(-1, WM_KEYDOWN, 0), 0);
}

TEST(KeyboardHook, InstallsOnceRemovesOnce) {
  KeyboardHook hook;
  const HHOOK installed = hook.Install(WindowsKeyHookProc);
  ASSERT_NE(installed, nullptr);
  EXPECT_EQ(hook.Install(WindowsKeyHookProc), installed) << "the one it owns, no second hook";
  hook.Remove();
  hook.Remove();
  EXPECT_NE(hook.Install(WindowsKeyHookProc), nullptr) << "and again after a removal";
}
