// --full-screen: the Windows key is swallowed only while the window in front
// fills its monitor; the shell's own windows never count.
#include <gtest/gtest.h>

#include <memory>

#include "Harness.h"
#include "res/resource.h"

namespace {

using OwnedWindow = std::unique_ptr<HWND__, decltype(&DestroyWindow)>;

// A window of the test's own of class `className`: borderless over the whole
// screen, or with a caption and maximised.
OwnedWindow OwnWindow(const wchar_t* className, bool fullScreen) {
  WNDCLASSW windowClass{};
  windowClass.lpfnWndProc = DefWindowProcW;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.lpszClassName = className;
  RegisterClassW(&windowClass);  // fails harmlessly from the second time on
  const DWORD style = fullScreen ? WS_POPUP : WS_OVERLAPPEDWINDOW | WS_MAXIMIZE;
  return {CreateWindowExW(0, className, L"Hushpad test", style | WS_VISIBLE, 0, 0,
                          GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), nullptr,
                          nullptr, windowClass.hInstance, nullptr),
          DestroyWindow};
}

// Raises the WinEvent that Windows raises itself for such a change of the
// window in front, and Wine 8 does not.
bool Announced(DWORD event, HWND window) {
  NotifyWinEvent(event, window, OBJID_WINDOW, CHILDID_SELF);
  return true;
}

bool ThroughWith(WindowsKeyObserver& keys, HWND window) {
  EXPECT_TRUE(BringToFront(window)) << "cannot bring the window to the front";
  return keys.WindowsKeyGetsThrough();
}

}  // namespace

TEST(FullScreen, WithManualEveryFullScreenWindowButTheShellsCounts) {
  WindowsKeyObserver keys;
  Hushpad hushpad(L"--manual --full-screen");
  const HWND dialog = WaitForManualDialog(hushpad.Pid());
  ASSERT_NE(dialog, nullptr);
  const std::wstring sentence =
      L"The Windows key and the accessibility keyboard shortcuts are disabled.\n";
  const std::wstring off = sentence + L"Off now: a full-screen window is in front.",
                     on = sentence + L"On now: no full-screen window is in front.";
  // The status line follows the window in front, also as it changes size.
  const auto reads = [&](const std::wstring& text) {
    return Eventually([&] { return ReadDialog(dialog, 0).text == text; });
  };
  EXPECT_TRUE(reads(on));
  for (const wchar_t* shell : {L"Progman", L"Windows.UI.Core.CoreWindow"}) {
    EXPECT_TRUE(ThroughWith(keys, OwnWindow(shell, true).get())) << shell;
  }
  const auto full = OwnWindow(L"HushpadTestFront", true);
  const auto maximised = OwnWindow(L"HushpadTestFront", false);
  EXPECT_FALSE(ThroughWith(keys, full.get())) << "a borderless window over the screen";
  EXPECT_TRUE(Announced(EVENT_SYSTEM_FOREGROUND, full.get()) && reads(off));
  EXPECT_TRUE(ThroughWith(keys, maximised.get())) << "a maximised window with a caption";
  EXPECT_TRUE(Announced(EVENT_SYSTEM_FOREGROUND, maximised.get()) && reads(on));
  BringToFront(full.get());
  EXPECT_TRUE(Announced(EVENT_SYSTEM_FOREGROUND, full.get()) && reads(off));
  SetWindowPos(full.get(), nullptr, 0, 0, 640, 480, SWP_NOZORDER);
  EXPECT_TRUE(Announced(EVENT_OBJECT_LOCATIONCHANGE, full.get()) && reads(on))
      << "once it no longer fills the screen";
  PressButton(dialog, IDC_REENABLE);
  ASSERT_TRUE(hushpad.ExitsWithZero());
  EXPECT_EQ(hushpad.Traces(), Concat({kSuppressed, kRestored}));
}

TEST(FullScreen, WithFocusOnlyTheGamesOwnFullScreenWindowCounts) {
  WindowsKeyObserver keys;
  Probe probe(L"/full-screen-window");
  Hushpad hushpad(L"--focus --full-screen " + probe.CommandLine());
  const HWND game = ProbeWindow(ReportedPid(probe.ReportPath()));
  ASSERT_NE(game, nullptr);
  EXPECT_FALSE(ThroughWith(keys, game)) << "the game full-screen";
  EXPECT_TRUE(ThroughWith(keys, OwnWindow(L"HushpadTestFront", true).get()))
      << "another program full-screen";
  SetWindowPos(game, nullptr, 0, 0, 640, 480, SWP_NOZORDER);
  EXPECT_TRUE(ThroughWith(keys, game)) << "the game in a window";
  probe.Release();
  ASSERT_TRUE(hushpad.ExitsWithZero());
}

TEST(FullScreen, AProgramAboveEveryHookIsToldOfOnceForEachWindow) {
  // Wine runs every program at one level: the token of every other process is
  // refused here, as Windows refuses that of a program run as administrator.
  Hushpad hushpad(L"--manual --full-screen", L"OpenProcessToken:5");
  const HWND dialog = WaitForManualDialog(hushpad.Pid());
  ASSERT_NE(dialog, nullptr);
  const auto full = OwnWindow(L"HushpadTestFront", true);
  const auto other = OwnWindow(L"HushpadTestFront", false);
  for (const HWND window : {full.get(), other.get(), full.get()}) {
    BringToFront(window);
    Announced(EVENT_SYSTEM_FOREGROUND, window);
  }
  EXPECT_TRUE(Eventually([&] {
    return ReadDialog(dialog, 0).text.find(
               L"\nOn now: the program in front runs as administrator.") != std::wstring::npos;
  }));
  PressButton(dialog, IDC_REENABLE);
  ASSERT_TRUE(hushpad.ExitsWithZero());
  const std::wstring told =
      L"Hushpad: The program in front runs as administrator; the Windows key reaches it unless "
      L"Hushpad runs as administrator too.\n";
  EXPECT_EQ(hushpad.Traces(), Concat({kSuppressed, {told, told}, kRestored}));
}
