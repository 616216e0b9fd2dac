// The manual dialog: how it shows itself, what its buttons do, and how copies
// with --manual share it.
#include <gtest/gtest.h>

#include <cstdlib>

#include "Harness.h"

namespace {

std::wstring ItemText(HWND dialog, int id) {
  wchar_t text[128] = {};
  GetDlgItemTextW(dialog, id, text, 128);
  return text;
}

// Whether `condition` holds within two seconds.
template <typename Condition>
bool Eventually(Condition condition) {
  for (int i = 0; i < 100; ++i) {
    if (condition()) return true;
    Sleep(20);
  }
  return false;
}

void Restore(HWND dialog) {
  PostMessageW(dialog, WM_SYSCOMMAND, SC_RESTORE, 0);
  ASSERT_TRUE(Eventually([&] { return !IsIconic(dialog); }));
}

void ClickReenable(HWND dialog) {
  PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(301, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(dialog, 301)));
}

}  // namespace

TEST(ManualDialog, ShowsQuietlyAndOnlyReenableKeysEndsTheRun) {
  WindowsKeyObserver keys;
  Hushpad hushpad(L"--manual");
  HWND dialog = WaitForManualDialog(hushpad.Pid());
  ASSERT_NE(dialog, nullptr);

  wchar_t caption[64] = {};
  GetWindowTextW(dialog, caption, 64);
  EXPECT_STREQ(caption, L"Hushpad");
  EXPECT_EQ(ItemText(dialog, IDCANCEL), L"&Hide");
  EXPECT_EQ(ItemText(dialog, 301), L"&Re-enable Keys");
  HWND text = FindWindowExW(dialog, nullptr, L"Static", nullptr);
  ASSERT_NE(text, nullptr);
  wchar_t message[128] = {};
  GetWindowTextW(text, message, 128);
  EXPECT_STREQ(message, L"The Windows key and the accessibility keyboard shortcuts are disabled.");
  DWORD_PTR defaultId = 0;
  SendMessageTimeoutW(dialog, DM_GETDEFID, 0, 0, SMTO_ABORTIFHUNG, 2000, &defaultId);
  EXPECT_EQ(HIWORD(defaultId), DC_HASDEFID);
  EXPECT_EQ(LOWORD(defaultId), IDCANCEL);

  // Shown without taking the activation, centred in the work area.
  EXPECT_NE(GetForegroundWindow(), dialog);
  RECT window{}, work{};
  GetWindowRect(dialog, &window);
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  EXPECT_LE(std::abs((window.left + window.right) - (work.left + work.right)), 4);
  EXPECT_LE(std::abs((window.top + window.bottom) - (work.top + work.bottom)), 4);

  EXPECT_EQ(hushpad.Traces(),
            (std::vector<std::wstring>{kDisabledWindowsKey, kDisabledAccessibility}))
      << "nothing is launched";
  EXPECT_FALSE(keys.WindowsKeyGetsThrough());

  // "&Hide", Escape and the close box only minimise it.
  PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDCANCEL)));
  EXPECT_TRUE(Eventually([&] { return IsIconic(dialog) != FALSE; })) << "Hide";
  Restore(dialog);
  PostMessageW(dialog, WM_KEYDOWN, VK_ESCAPE, 0);
  EXPECT_TRUE(Eventually([&] { return IsIconic(dialog) != FALSE; })) << "Escape";
  Restore(dialog);
  PostMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
  EXPECT_TRUE(Eventually([&] { return IsIconic(dialog) != FALSE; })) << "close box";
  EXPECT_TRUE(IsWindow(dialog));
  EXPECT_FALSE(hushpad.process().WaitForExit(0));
  EXPECT_FALSE(keys.WindowsKeyGetsThrough());

  ClickReenable(dialog);
  ASSERT_TRUE(hushpad.ExitsWithZero());
  EXPECT_TRUE(keys.WindowsKeyGetsThrough());
  EXPECT_EQ(hushpad.Traces(),
            (std::vector<std::wstring>{kDisabledWindowsKey, kDisabledAccessibility,
                                       kEnabledAccessibility, kEnabledWindowsKey, kExited}));
}

TEST(ManualDialog, OneDialogAmongCopiesAndManualChildrenOutliveTheirCopy) {
  WindowsKeyObserver keys;
  Probe probeA, probeB;
  Hushpad a(L"--manual " + probeA.Arguments());
  HWND dialog = WaitForManualDialog(a.Pid());
  ASSERT_NE(dialog, nullptr);
  ASSERT_TRUE(probeA.WaitForReport());

  // A second --manual copy shows no dialog: it launches its child and ends.
  Hushpad b(L"--manual " + probeB.Arguments());
  ASSERT_TRUE(b.ExitsWithZero());
  EXPECT_EQ(b.Traces(), (std::vector<std::wstring>{DeferringTrace(a.Pid()),
                                                   LaunchingTrace(probeB.CommandLine()), kExited}));
  ASSERT_TRUE(probeB.WaitForReport());
  EXPECT_TRUE(ProcessRunning(probeB.Pid())) << "B's child outlives B";
  EXPECT_FALSE(keys.WindowsKeyGetsThrough()) << "A still suppresses the keys";

  ClickReenable(dialog);
  ASSERT_TRUE(a.ExitsWithZero());
  EXPECT_TRUE(ProcessRunning(probeA.Pid())) << "A's child outlives A";
  EXPECT_TRUE(keys.WindowsKeyGetsThrough());
  EXPECT_EQ(a.Traces(), (std::vector<std::wstring>{
                            kDisabledWindowsKey, kDisabledAccessibility,
                            LaunchingTrace(probeA.CommandLine()), kEnabledAccessibility,
                            kEnabledWindowsKey, kExited}));
}
