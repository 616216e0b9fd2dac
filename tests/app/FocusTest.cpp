// --focus: the Windows key is swallowed only while a window of the program,
// or with --tree of its family, is in front; each copy has its wish.
#include <gtest/gtest.h>

#include "Harness.h"

namespace {

// A top-level window of the test's own, to bring to the front instead of a
// program's.
class OwnWindow {
 public:
  OwnWindow() {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = DefWindowProcW;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"HushpadTestFront";
    RegisterClassW(&windowClass);  // fails harmlessly from the second time on
    window = CreateWindowExW(0, windowClass.lpszClassName, L"Hushpad test", WS_OVERLAPPEDWINDOW,
                             400, 100, 300, 200, nullptr, nullptr, windowClass.hInstance, nullptr);
    ShowWindow(window, SW_SHOWNA);
  }
  ~OwnWindow() { DestroyWindow(window); }
  OwnWindow(const OwnWindow&) = delete;
  OwnWindow& operator=(const OwnWindow&) = delete;
  HWND window;
};

}  // namespace

TEST(Focus, TheKeyIsSwallowedOnlyWhileTheProgramOrItsFamilyIsInFront) {
  WindowsKeyObserver keys;
  OwnWindow own;
  for (const bool tree : {false, true}) {
    SCOPED_TRACE(tree ? "--tree --focus" : "--focus");
    // With --tree the game is a grandchild whose bootstrapper has ended.
    const std::wstring gameEvent = UniqueName(L"HushpadGame");
    UniqueHandle gameGo(CreateEventW(nullptr, TRUE, FALSE, gameEvent.c_str()));
    Probe probe(tree ? L"/spawn-window:" + gameEvent : L"/window", !tree);
    Hushpad hushpad((tree ? L"--tree --focus " : L"--focus ") + probe.CommandLine());
    const DWORD game =
        ReportedPid(probe.ReportPath() + (tree ? L".grandchild" : L""));
    const HWND program = WaitForProbeWindow(game);
    ASSERT_NE(program, nullptr);
    ASSERT_TRUE(BringToFront(program));
    EXPECT_FALSE(keys.WindowsKeyGetsThrough()) << "the game in front";
    ASSERT_TRUE(BringToFront(own.window));
    EXPECT_TRUE(keys.WindowsKeyGetsThrough()) << "another window in front";
    ASSERT_TRUE(BringToFront(program));
    EXPECT_FALSE(keys.WindowsKeyGetsThrough()) << "the game in front again";
    EXPECT_EQ(keys.EventsThrough(VK_LWIN, [&] { BringToFront(own.window); }), 0)
        << "a press begun with the game in front is swallowed to its end";
    probe.Release();
    SetEvent(gameGo.get());
    ASSERT_TRUE(hushpad.ExitsWithZero());
    EXPECT_TRUE(BringToFront(program) || !IsWindow(program));
    EXPECT_TRUE(keys.WindowsKeyGetsThrough());
  }
}

TEST(Focus, EveryCopyHasItsWishWhileItRunsAndAKilledCopyNone) {
  WindowsKeyObserver keys;
  OwnWindow own;
  Probe probeA(L"/window"), probeB, probeC(L"/window");
  Hushpad a(L"--focus " + probeA.CommandLine());
  ASSERT_TRUE(probeA.WaitForReport());
  const HWND programA = WaitForProbeWindow(probeA.Pid());
  ASSERT_NE(programA, nullptr);

  // A copy without --focus wants the key off whatever is in front.
  Hushpad b(probeB.CommandLine());
  ASSERT_TRUE(b.WaitForTrace(LaunchingTrace(probeB.CommandLine())));
  ASSERT_TRUE(BringToFront(own.window));
  EXPECT_FALSE(keys.WindowsKeyGetsThrough()) << "while the copy without --focus runs";
  probeB.Release();
  ASSERT_TRUE(b.ExitsWithZero());
  EXPECT_TRUE(keys.WindowsKeyGetsThrough()) << "once it has ended";

  // Two --focus copies: either program in front.
  Hushpad c(L"--focus " + probeC.CommandLine());
  ASSERT_TRUE(probeC.WaitForReport());
  const HWND programC = WaitForProbeWindow(probeC.Pid());
  ASSERT_NE(programC, nullptr);
  for (const HWND program : {programA, programC}) {
    ASSERT_TRUE(BringToFront(program));
    EXPECT_FALSE(keys.WindowsKeyGetsThrough());
  }
  ASSERT_TRUE(BringToFront(own.window));
  EXPECT_TRUE(keys.WindowsKeyGetsThrough());

  // A killed copy's program runs on, and nothing keeps its key off.
  c.Kill();
  ASSERT_TRUE(BringToFront(programC));
  EXPECT_TRUE(keys.WindowsKeyGetsThrough()) << "the killed copy's program in front";
  ASSERT_TRUE(BringToFront(programA));
  EXPECT_FALSE(keys.WindowsKeyGetsThrough());

  probeC.Release();
  probeA.Release();
  ASSERT_TRUE(a.ExitsWithZero());
  EXPECT_EQ(a.Traces(), Concat({kSuppressed, {LaunchingTrace(probeA.CommandLine())}, kRestored}));
}
