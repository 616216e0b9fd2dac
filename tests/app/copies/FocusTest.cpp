// --focus: the Windows key is swallowed only while a window of the program,
// or with --tree of its family, is in front; each copy has its wish.
#include <gtest/gtest.h>

#include <memory>

#include "Harness.h"

namespace {

// A top-level window of the test's own, to bring to the front instead of a
// program's.
std::unique_ptr<HWND__, decltype(&DestroyWindow)> OwnWindow() {
  WNDCLASSW windowClass{};
  windowClass.lpfnWndProc = DefWindowProcW;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.lpszClassName = L"HushpadTestFront";
  RegisterClassW(&windowClass);  // fails harmlessly from the second time on
  return {CreateWindowExW(0, windowClass.lpszClassName, L"Hushpad test",
                          WS_OVERLAPPEDWINDOW | WS_VISIBLE, 400, 100, 300, 200, nullptr, nullptr,
                          windowClass.hInstance, nullptr),
          DestroyWindow};
}

// Whether the Windows key gets through with `window` in front.
bool ThroughWith(WindowsKeyObserver& keys, HWND window) {
  EXPECT_TRUE(BringToFront(window)) << "cannot bring the window to the front";
  return keys.WindowsKeyGetsThrough();
}

// Whether Alt+Tab's Tab gets through with `window` in front.
bool TabThroughWith(WindowsKeyObserver& keys, HWND window) {
  EXPECT_TRUE(BringToFront(window)) << "cannot bring the window to the front";
  return keys.Through({{VK_LMENU, false}, {VK_TAB, false}, {VK_TAB, true}, {VK_LMENU, true}})
             .size() == 4;
}

}  // namespace

TEST(Focus, TheKeysAreSwallowedOnlyWhileTheProgramOrItsFamilyIsInFront) {
  WindowsKeyObserver keys;
  const auto own = OwnWindow();
  for (const bool tree : {false, true}) {
    SCOPED_TRACE(tree ? "--tree --focus --task-keys" : "--focus");
    // With --tree the game is a grandchild whose bootstrapper has ended.
    const std::wstring gameEvent = UniqueName(L"HushpadGame");
    UniqueHandle gameGo(CreateEventW(nullptr, TRUE, FALSE, gameEvent.c_str()));
    Probe probe(tree ? L"/spawn-window:" + gameEvent : L"/window", !tree);
    Hushpad hushpad((tree ? L"--tree --focus --task-keys " : L"--focus ") + probe.CommandLine());
    const HWND program =
        ProbeWindow(ReportedPid(probe.ReportPath() + (tree ? L".grandchild" : L"")));
    ASSERT_NE(program, nullptr);
    EXPECT_FALSE(ThroughWith(keys, program)) << "the game in front";
    EXPECT_EQ(TabThroughWith(keys, program), !tree) << "only with --task-keys";
    EXPECT_TRUE(ThroughWith(keys, own.get())) << "another window in front";
    EXPECT_TRUE(TabThroughWith(keys, own.get()));
    EXPECT_FALSE(ThroughWith(keys, program)) << "the game in front again";
    const auto down = keys.Through({{VK_LWIN, false}});
    BringToFront(own.get());
    EXPECT_TRUE(down.empty() && keys.Through({{VK_LWIN, true}}).empty())
        << "a press begun with the game in front is swallowed to its end";
    probe.Release();
    SetEvent(gameGo.get());
    ASSERT_TRUE(hushpad.ExitsWithZero());
    EXPECT_TRUE(keys.WindowsKeyGetsThrough());
  }
}

TEST(Focus, EveryCopyHasItsWishWhileItRunsAndAKilledCopyNone) {
  WindowsKeyObserver keys;
  // Copies at medium, as on an ordinary desk: none keeps a hook of its own.
  // Wine leaves the hook of a killed process in the chain, and hooks older
  // than it never see a key again.
  constexpr DWORD kMedium = SECURITY_MANDATORY_MEDIUM_RID;
  const auto own = OwnWindow();
  Probe probeA(L"/window"), probeB, probeC(L"/window");
  Hushpad a(L"--focus " + probeA.CommandLine(), L"", kMedium);
  const HWND programA = ProbeWindow(ReportedPid(probeA.ReportPath()));

  // A copy without --focus wants the key off whatever is in front.
  Hushpad b(probeB.CommandLine(), L"", kMedium);
  ASSERT_TRUE(b.WaitForTrace(LaunchingTrace(probeB.CommandLine())));
  EXPECT_FALSE(ThroughWith(keys, own.get())) << "while the copy without --focus runs";
  probeB.Release();
  ASSERT_TRUE(b.ExitsWithZero());
  EXPECT_TRUE(keys.WindowsKeyGetsThrough()) << "once it has ended";

  // Two --focus copies: either program in front.
  Hushpad c(L"--focus " + probeC.CommandLine(), L"", kMedium);
  const HWND programC = ProbeWindow(ReportedPid(probeC.ReportPath()));
  for (const HWND program : {programA, programC}) {
    EXPECT_FALSE(ThroughWith(keys, program));
  }
  EXPECT_TRUE(ThroughWith(keys, own.get()));

  // A killed copy's program runs on, and nothing keeps its key off.
  c.Kill();
  EXPECT_TRUE(ThroughWith(keys, programC)) << "the killed copy's program in front";
  EXPECT_FALSE(ThroughWith(keys, programA));

  probeC.Release();
  probeA.Release();
  ASSERT_TRUE(a.ExitsWithZero());
  EXPECT_EQ(a.Traces(), Concat({kSuppressed, {LaunchingTrace(probeA.CommandLine())}, kRestored}));
}

TEST(Focus, ACopyWhoseRunIsOverWantsNothingAndLeavesOnlyItsOwnRecord) {
  WindowsKeyObserver keys;
  const auto own = OwnWindow();
  // A, without --focus but with --task-keys, pauses as it gives its record
  // free, after its window is gone.
  Probe probeA, probeB(L"/window"), probeN(L"/window");
  Hushpad a(L"--task-keys " + probeA.CommandLine(), L"LeaveCopyRecord:0:2000");
  ASSERT_TRUE(a.WaitForTrace(LaunchingTrace(probeA.CommandLine())));
  Hushpad b(L"--focus " + probeB.CommandLine());
  const HWND programB = ProbeWindow(ReportedPid(probeB.ReportPath()));
  ASSERT_NE(programB, nullptr);
  EXPECT_FALSE(ThroughWith(keys, own.get())) << "while A's program runs";
  EXPECT_FALSE(TabThroughWith(keys, programB));

  // A's program has ended: A waits for B and wants nothing of the keys.
  probeA.Release();
  ASSERT_TRUE(a.WaitForTrace(WaitingTrace(b.Pid())));
  EXPECT_TRUE(ThroughWith(keys, own.get())) << "A waits, B's game is not in front";
  EXPECT_FALSE(ThroughWith(keys, programB));
  EXPECT_TRUE(TabThroughWith(keys, programB)) << "B asks for no task-switching keys";

  // C, started while A waits, defers too, and A waits for it in a later pass.
  Probe probeC;
  Hushpad c(L"--focus " + probeC.CommandLine());
  ASSERT_TRUE(c.WaitForTrace(LaunchingTrace(probeC.CommandLine())));
  probeB.Release();
  ASSERT_TRUE(b.ExitsWithZero());
  ASSERT_TRUE(a.WaitForTrace(WaitingTrace(c.Pid())));
  EXPECT_FALSE(a.WaitForTrace(kRestored[1], 0)) << "A still holds the hook";

  // N starts while A gives its record free, takes it, and keeps it.
  probeC.Release();
  ASSERT_TRUE(c.ExitsWithZero());
  ASSERT_TRUE(a.WaitForTrace(kExited));
  Hushpad n(L"--focus " + probeN.CommandLine());
  const HWND programN = ProbeWindow(ReportedPid(probeN.ReportPath()));
  ASSERT_NE(programN, nullptr);
  ASSERT_TRUE(a.ExitsWithZero());
  EXPECT_TRUE(ThroughWith(keys, own.get())) << "N's wish is still N's";
  EXPECT_FALSE(ThroughWith(keys, programN));
  probeN.Release();
  ASSERT_TRUE(n.ExitsWithZero());
}
