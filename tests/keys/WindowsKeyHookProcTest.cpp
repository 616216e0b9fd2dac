// Direct calls of the hook procedure, for the cases real input cannot
// produce. Outside a hook chain CallNextHookEx returns 0, so 0 means "passed
// on" and 1 "swallowed".
#include "keys/KeyboardHook.h"

#include <gtest/gtest.h>

namespace {

LRESULT CallHook(int nCode, WPARAM message, DWORD vkCode, DWORD flags = 0) {
  KBDLLHOOKSTRUCT key{};
  key.vkCode = vkCode;
  key.scanCode = MapVirtualKeyW(vkCode, MAPVK_VK_TO_VSC);
  key.flags = flags;
  return WindowsKeyHookProc(nCode, message, reinterpret_cast<LPARAM>(&key));
}

}  // namespace

TEST(WindowsKeyHookProc, SwallowsBothWindowsKeysOnDownAndUp_InjectedOrNot) {
  for (DWORD vk : {VK_LWIN, VK_RWIN}) {
    for (WPARAM message : {WM_KEYDOWN, WM_KEYUP}) {
      for (DWORD flags : {DWORD{0}, DWORD{LLKHF_EXTENDED}, DWORD{LLKHF_EXTENDED | LLKHF_INJECTED}}) {
        EXPECT_EQ(CallHook(HC_ACTION, message, vk, flags), 1)
            << "vk " << vk << " message " << message << " flags " << flags;
      }
    }
  }
}

TEST(WindowsKeyHookProc, PassesAltWindowsOtherKeysAndOtherCodes) {
  const struct {
    int nCode;
    WPARAM message;
    DWORD vk;
  } passed[] = {
      {HC_ACTION, WM_SYSKEYDOWN, VK_LWIN}, {HC_ACTION, WM_SYSKEYUP, VK_RWIN},
      {HC_ACTION, WM_KEYDOWN, VK_APPS},    {HC_ACTION, WM_KEYUP, VK_APPS},
      {HC_ACTION, WM_KEYDOWN, 'A'},        {HC_ACTION, WM_KEYDOWN, VK_MENU},
      {HC_ACTION, WM_KEYDOWN, VK_LWIN - 1}, {HC_ACTION, WM_KEYDOWN, VK_RWIN + 1},
      {HC_ACTION, WM_CHAR, VK_LWIN},       {-1, WM_KEYDOWN, VK_LWIN},
      {1, WM_KEYUP, VK_RWIN},              {3, WM_KEYDOWN, VK_LWIN},
  };
  for (const auto& c : passed) {
    EXPECT_EQ(CallHook(c.nCode, c.message, c.vk), 0)
        << "nCode " << c.nCode << " message " << c.message << " vk " << c.vk;
  }
}

TEST(WindowsKeyHookProc, NegativeCode_NeverReadsTheKeyRecord) {
  // A negative code carries no promise about lParam.
  EXPECT_EQ(WindowsKeyHookProc(-1, WM_KEYDOWN, 0), 0);
}
