#include "WindowSearch.h"

#include <gtest/gtest.h>

TEST(WindowSearch, FindsAMessageOnlyWindowByProcessClassAndCaption_ButNotAsTopLevel) {
  WNDCLASSW windowClass{};
  windowClass.lpfnWndProc = DefWindowProcW;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.lpszClassName = L"HushpadWindowSearchTest";
  ASSERT_NE(RegisterClassW(&windowClass), 0);
  const HWND window = CreateWindowExW(0, windowClass.lpszClassName, L"Probe", 0, 0, 0, 0, 0,
                                      HWND_MESSAGE, nullptr, windowClass.hInstance, nullptr);
  ASSERT_NE(window, nullptr);
  const DWORD self = GetCurrentProcessId();
  EXPECT_EQ(WaitForMessageOnlyWindow(self, windowClass.lpszClassName, L"Probe", 0), window);
  EXPECT_EQ(WaitForMessageOnlyWindow(0, windowClass.lpszClassName, nullptr, 0), window);
  EXPECT_EQ(WaitForMessageOnlyWindow(self + 4, windowClass.lpszClassName, nullptr, 100), nullptr)
      << "another process";
  EXPECT_EQ(WaitForMessageOnlyWindow(self, windowClass.lpszClassName, L"Other", 0), nullptr);
  EXPECT_EQ(WaitForTopLevelWindow(self, windowClass.lpszClassName, nullptr, 0), nullptr)
      << "Wine's FindWindowExW lists message-only windows as top-level too";
  DestroyWindow(window);
}
