// The manual dialog: how it shows itself, what its buttons do, and how copies
// with --manual share it.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "Harness.h"
#include "res/resource.h"

TEST(ManualDialog, ShowsQuietlyAndOnlyReenableKeysEndsTheRun) {
  WindowsKeyObserver keys;
  Probe probe;
  // --tree has nothing to wait for with --manual, and --focus no program to
  // scope to: the child outlives the copy all the same, and the keys stay off.
  Hushpad hushpad(L"--tree --focus --manual " + probe.CommandLine());
  const HWND dialog = WaitForManualDialog(hushpad.Pid());
  ASSERT_NE(dialog, nullptr);
  EXPECT_TRUE(probe.WaitForReport());

  const DialogView view = ReadDialog(dialog);
  EXPECT_EQ(view.caption, L"Hushpad");
  EXPECT_EQ(view.text, L"The Windows key and the accessibility keyboard shortcuts are disabled.");
  EXPECT_EQ(view.buttons, (Lines{L"&Re-enable Keys", L"&Hide"}));
  EXPECT_EQ(view.buttonIds, (std::vector<int>{IDC_REENABLE, IDCANCEL}));
  EXPECT_EQ(DefaultButton(dialog), IDCANCEL);

  // Shown without taking the activation, centred in the work area.
  EXPECT_NE(GetForegroundWindow(), dialog);
  RECT window{}, work{};
  GetWindowRect(dialog, &window);
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  EXPECT_LE(std::abs((window.left + window.right) - (work.left + work.right)), 4);
  EXPECT_LE(std::abs((window.top + window.bottom) - (work.top + work.bottom)), 4);
  EXPECT_FALSE(keys.WindowsKeyGetsThrough());

  // "&Hide", Escape and the close box hide it into the notification area
  // (Wine shows one of its own, a window with the icons as its children),
  // and a click on the icon shows it again.
  const auto hidden = [&] { return !IsWindowVisible(dialog); };
  // Wine's tray makes an icon's window a moment after the icon comes, and
  // may still hold the last one's: under load a click can go to neither, so
  // it is repeated until `effect` shows, two seconds apart.
  const auto click = [](UINT down, UINT up, auto effect) {
    return Eventually(
        [&] {
          const HWND icon = FindWindowExW(FindWindowW(L"__winex11_standalone_tray", nullptr),
                                          nullptr, L"__winex11_tray_icon", nullptr);
          if (icon) PostMessageW(icon, down, 0, 0), PostMessageW(icon, up, 0, 0);
          return Eventually(effect);
        },
        20000);
  };
  const auto clickShows = [&] {
    return click(WM_LBUTTONDOWN, WM_LBUTTONUP, [&] { return !hidden(); });
  };
  PressButton(dialog, IDCANCEL);
  EXPECT_TRUE(Eventually(hidden) && clickShows()) << "Hide";
  PostMessageW(dialog, WM_KEYDOWN, VK_ESCAPE, 0);
  EXPECT_TRUE(Eventually(hidden) && clickShows()) << "Escape";
  PostMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
  EXPECT_TRUE(Eventually(hidden)) << "close box";
  EXPECT_TRUE(hushpad.Running());

  // The icon's menu: Show, and Re-enable Keys, which ends the run.
  HWND menu = nullptr;
  const auto menuShows = [&] {
    return click(WM_RBUTTONDOWN, WM_RBUTTONUP,
                 [&] { return (menu = FindWindowW(L"#32768", nullptr)) != nullptr; });
  };
  ASSERT_TRUE(menuShows());
  PostMessageW(menu, WM_CHAR, L's', 0);
  EXPECT_TRUE(Eventually([&] { return !hidden(); })) << "Show";
  PressButton(dialog, IDCANCEL);
  ASSERT_TRUE(Eventually(hidden) && menuShows());
  PostMessageW(menu, WM_CHAR, L'r', 0);
  ASSERT_TRUE(hushpad.ExitsWithZero());
  EXPECT_TRUE(ProcessRunning(probe.Pid())) << "the child outlives the copy";
  EXPECT_TRUE(keys.WindowsKeyGetsThrough());
  EXPECT_EQ(hushpad.Traces(), Concat({{L"Hushpad: --focus has no effect with --manual.\n"},
                                      kSuppressed,
                                      {LaunchingTrace(probe.CommandLine())},
                                      kRestored}));
}

TEST(ManualDialog, OneCopyShowsItAndItAloneEndsTheSuppression) {
  WindowsKeyObserver keys;
  // Without a program the dialog shows all the same and nothing is launched.
  Hushpad alone(L"--manual");
  const HWND dialog = WaitForManualDialog(alone.Pid());
  ASSERT_NE(dialog, nullptr);

  // Another --manual copy shows no dialog: it launches its child and ends.
  Probe probe;
  Hushpad other(L"--manual " + probe.CommandLine());
  ASSERT_TRUE(other.ExitsWithZero());
  // Under Wine every process runs above medium: each copy keeps a hook of its own.
  EXPECT_EQ(other.Traces(), (Lines{DeferringTrace(alone.Pid()), kSuppressed[0],
                                   LaunchingTrace(probe.CommandLine()), kRestored[1], kExited}));
  EXPECT_TRUE(probe.WaitForReport() && ProcessRunning(probe.Pid())) << "its child outlives it";
  EXPECT_FALSE(keys.WindowsKeyGetsThrough()) << "the first copy still suppresses the keys";

  PressButton(dialog, IDC_REENABLE);
  ASSERT_TRUE(alone.ExitsWithZero());
  EXPECT_TRUE(keys.WindowsKeyGetsThrough());
  EXPECT_EQ(alone.Traces(), Concat({kSuppressed, kRestored}));
}

TEST(ManualDialog, StandsInForAGameThatCannotBeFollowed) {
  // A family that cannot be followed, and what the program registered for a
  // link or a document starts: waiting for PROGRAM alone would give the keys
  // back while the game runs on; the user ends the run instead.
  WindowsKeyObserver keys;
  const std::wstring scheme = UniqueName(L"hushpad-test"), url = scheme + L":play";
  const std::wstring urlFile = TestFolder() + L"Game.url";
  std::ofstream(std::filesystem::path(urlFile), std::ios::binary)
      << "[InternetShortcut]\r\nURL=" << std::string(url.begin(), url.end());
  const std::wstring opened =
      L"Hushpad: PROGRAM was opened by the program registered for it; press Re-enable Keys when "
      L"the game has ended.\n";
  struct Case {
    std::wstring arguments;  // after the probe's command line, for a family
    const wchar_t* fault;
    std::wstring trace, probeGets;  // what the probe gets after its own command line
  } const cases[] = {
      {L"--tree ", L"AssignProcessToJobObject:5",
       L"Hushpad: Unable to follow the programs that PROGRAM starts: " + SystemText(5) + L"\n",
       L""},
      {url + L" \"an extra\"", L"", opened, L" \"" + url + L"\" \"an extra\""},
      // The file's URL, and an empty %*.
      {urlFile, L"", opened, L" \"" + url + L"\" "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.arguments));
    Probe probe;
    const bool family = c.probeGets.empty();
    // A scheme as a launcher registers it; Wine 8 reads URL schemes from
    // HKEY_CLASSES_ROOT itself only, not from HKCU\Software\Classes.
    const std::wstring command = probe.CommandLine() + L" \"%1\" %*";
    RegSetKeyValueW(HKEY_CLASSES_ROOT, scheme.c_str(), L"URL Protocol", REG_SZ, L"", sizeof(L""));
    RegSetKeyValueW(HKEY_CLASSES_ROOT, (scheme + L"\\shell\\open\\command").c_str(), nullptr,
                    REG_SZ, command.c_str(), static_cast<DWORD>((command.size() + 1) * 2));
    const struct Unregister {
      ~Unregister() { RegDeleteTreeW(HKEY_CLASSES_ROOT, scheme.c_str()); }
      const std::wstring& scheme;
    } unregister{scheme};
    const std::wstring arguments = family ? c.arguments + probe.CommandLine() : c.arguments;
    Hushpad hushpad(arguments, c.fault);
    const HWND dialog = WaitForManualDialog(hushpad.Pid());
    ASSERT_NE(dialog, nullptr);
    ASSERT_TRUE(probe.WaitForReport()) << "PROGRAM runs all the same";
    EXPECT_EQ(probe.ReportedCommandLine(), probe.CommandLine() + c.probeGets);
    probe.Release();
    EXPECT_TRUE(Eventually([&] { return !ProcessRunning(probe.Pid()); }));
    PumpMessages(300);
    EXPECT_TRUE(hushpad.Running());
    EXPECT_FALSE(keys.WindowsKeyGetsThrough());
    PressButton(dialog, IDC_REENABLE);
    ASSERT_TRUE(hushpad.ExitsWithZero());
    EXPECT_TRUE(keys.WindowsKeyGetsThrough());
    EXPECT_EQ(hushpad.Traces(),
              Concat({kSuppressed,
                      {LaunchingTrace(family ? probe.CommandLine() : c.arguments), c.trace},
                      kRestored}));
  }
}
