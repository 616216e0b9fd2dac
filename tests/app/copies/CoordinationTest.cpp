// One copy, then several at once: one primary suppresses the keys for all of
// them and restores them only after the last overlapping copy has ended.
#include <gtest/gtest.h>

#include <cwchar>
#include <optional>

#include "Harness.h"

TEST(Coordination, PrimarySuppressesKeysUntilItsChildOrWithTreeItsWholeFamilyHasEnded) {
  WindowsKeyObserver keys;
  ASSERT_TRUE(keys.WindowsKeyGetsThrough()) << "the observer must see the key before Hushpad runs";
  struct Case {
    const wchar_t *options, *spawn;
    bool family;      // whether the family is followed
    bool descendant;  // whether Hushpad waits for the descendant
  } const cases[] = {
      {L"--manual=0 ", L"/spawn:", false, false},
      {L"--tree=0 ", L"/spawn:", false, false},
      {L"--tree ", L"/spawn:", true, true},
      // A great-grandchild whose parent has ended long before.
      {L"--tree=1 ", L"/spawn-deep:", true, true},
      // A program may leave the family, and is no longer followed then.
      {L"--tree ", L"/spawn-away:", true, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(std::wstring(c.options) + c.spawn));
    // The child's arguments, options among them, reach it as that very command
    // line, rebuilt argument by argument; it starts a descendant as it ends,
    // which waits for `descendantGo`.
    const std::wstring descendantEvent = UniqueName(L"HushpadDescendant");
    UniqueHandle descendantGo(CreateEventW(nullptr, TRUE, FALSE, descendantEvent.c_str()));
    Probe probe(L"a --help --manual \"save name\" \"say \\\"hi\\\"\" \"C:\\my dir\\\\\" \"\" " +
                std::wstring(c.spawn) + descendantEvent);
    Hushpad primary(c.options + probe.CommandLine());
    ASSERT_TRUE(probe.WaitForReport());
    EXPECT_EQ(probe.ReportedCommandLine(), probe.CommandLine());
    ASSERT_TRUE(primary.WaitForTrace(LaunchingTrace(probe.CommandLine())));
    EXPECT_FALSE(keys.WindowsKeyGetsThrough()) << "swallowed while the child runs";
    probe.Release();
    const std::wstring deep = std::wcsstr(c.spawn, L"deep") ? L".grandchild" : L"";
    const DWORD descendant = ReportedPid(probe.ReportPath() + L".grandchild" + deep);
    ASSERT_NE(descendant, 0u);
    if (c.descendant) {
      PumpMessages(500);
      EXPECT_TRUE(primary.Running()) << "waits for the descendant";
      EXPECT_FALSE(keys.WindowsKeyGetsThrough()) << "swallowed while the descendant runs";
      SetEvent(descendantGo.get());
      EXPECT_TRUE(primary.ExitsWithZero(1500)) << "ends right after the last of the family";
    } else {
      ASSERT_TRUE(primary.ExitsWithZero());
      EXPECT_TRUE(ProcessRunning(descendant)) << "the descendant still runs, Hushpad has ended";
      SetEvent(descendantGo.get());
    }
    EXPECT_TRUE(keys.WindowsKeyGetsThrough()) << "back once Hushpad has ended";
    Lines launch{LaunchingTrace(probe.CommandLine())};
    if (c.family) launch.push_back(kFamilyEnded);
    EXPECT_EQ(primary.Traces(), Concat({kSuppressed, launch, kRestored}));
  }
}

TEST(Coordination, PrimaryThatCannotOpenACopyOrWhoseWaitEndsEarlyStillWaitsForIt) {
  // A cannot open B's process: it must keep searching for B's window, with
  // the keys suppressed, and not burn a core. Or A's wait for its child ends
  // early (GetMessageW fails once, after a pause in which B starts) and the
  // child's handles close while the watch still waits: A must wait for B.
  WindowsKeyObserver keys;
  for (const wchar_t* fault : {L"OpenProcess:5", L"GetMessageW:0:1500:1"}) {
    SCOPED_TRACE(testing::PrintToString(std::wstring(fault)));
    Probe probeA, probeB;
    Hushpad a(probeA.CommandLine(), fault);
    ASSERT_TRUE(a.WaitForTrace(LaunchingTrace(probeA.CommandLine())));
    Hushpad b(probeB.CommandLine());
    ASSERT_TRUE(b.WaitForTrace(DeferringTrace(a.Pid())));
    ASSERT_TRUE(probeA.WaitForReport());
    PumpMessages(500);
    probeA.Release();  // A is in its hand-off now, or its orphaned watch ends
    Eventually([&] { return !ProcessRunning(probeA.Pid()); });

    UniqueHandle process(OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, a.Pid()));
    const auto cpuMs = [&] {
      FILETIME unused, kernel, user;
      GetProcessTimes(process.get(), &unused, &unused, &kernel, &user);
      const auto ms = [](FILETIME t) {
        return (ULONGLONG{t.dwHighDateTime} << 32 | t.dwLowDateTime) / 10000;
      };
      return ms(kernel) + ms(user);
    };
    const ULONGLONG cpuBefore = cpuMs(), wallBefore = GetTickCount64();
    ExpectSuppressedWithKeysFlowing(keys, 1500);
    const ULONGLONG cpuUsed = cpuMs() - cpuBefore, wall = GetTickCount64() - wallBefore;
    EXPECT_LT(cpuUsed * 4, wall) << "no spinning: " << cpuUsed << " ms CPU in " << wall << " ms";
    EXPECT_TRUE(a.Running());

    probeB.Release();
    ASSERT_TRUE(b.ExitsWithZero());
    ASSERT_TRUE(a.ExitsWithZero());
    EXPECT_TRUE(keys.WindowsKeyGetsThrough());
    for (const std::wstring& trace : a.Traces()) {
      EXPECT_EQ(trace.find(L"WaitForSingleObject failed"), std::wstring::npos) << "closed handle";
    }
    EXPECT_EQ(Tail(a.Traces(), 3), kRestored);
  }
}

TEST(Coordination, ACopyTakesOverFromALostPrimaryAndTheLastOneRestoresTheUsersSettings) {
  WindowsKeyObserver keys(WindowsKeyObserver::Via::FocusedWindow);
  const SimulatedAccessibility user{
      {sizeof(STICKYKEYS), SKF_AVAILABLE | SKF_HOTKEYACTIVE | SKF_CONFIRMHOTKEY},
      {sizeof(TOGGLEKEYS), TKF_AVAILABLE | TKF_HOTKEYACTIVE},
      {sizeof(FILTERKEYS), FKF_AVAILABLE | FKF_HOTKEYACTIVE, 1000, 500, 30, 0}};
  SimulatedAccessibility hotkeysOff = user;
  hotkeysOff.stickyKeys.dwFlags &= ~DWORD{SKF_HOTKEYACTIVE | SKF_CONFIRMHOTKEY};
  hotkeysOff.toggleKeys.dwFlags &= ~DWORD{TKF_HOTKEYACTIVE | TKF_CONFIRMHOTKEY};
  hotkeysOff.filterKeys.dwFlags &= ~DWORD{FKF_HOTKEYACTIVE | FKF_CONFIRMHOTKEY};

  enum class Loss { KilledWhileOthersRun, KilledInItsHandOff, TeardownFailed };
  for (const Loss loss :
       {Loss::KilledWhileOthersRun, Loss::KilledInItsHandOff, Loss::TeardownFailed}) {
    SCOPED_TRACE(static_cast<int>(loss));
    SimulatedSettings settings(user);
    Probe probeP, probeD, probeE;
    // The failing primary's watch fails after two seconds (104), and so does
    // its wait for D while that failure unwinds.
    Hushpad p(probeP.CommandLine(), loss == Loss::TeardownFailed ? L"CreateThread:8:2000" : L"");
    ASSERT_TRUE(p.WaitForTrace(LaunchingTrace(probeP.CommandLine())));
    EXPECT_EQ(settings.Current(), hotkeysOff);
    Hushpad d(probeD.CommandLine());
    ASSERT_TRUE(d.WaitForTrace(LaunchingTrace(probeD.CommandLine())));

    std::optional<DialogView> box;
    if (loss == Loss::TeardownFailed) {
      // P restores, gives the role up and shows its box; D takes over.
      box = WaitForMessageBox(p.Pid());
      ASSERT_TRUE(box.has_value());
      EXPECT_EQ(box->text, L"Unable to create thread to watch process.  " + SystemText(8));
      ASSERT_TRUE(d.WaitForTrace(TakingOverTrace(p.Pid())));
      ExpectSuppressedWithKeysFlowing(keys, 300);
    } else {
      if (loss == Loss::KilledInItsHandOff) {
        probeP.Release();
        ASSERT_TRUE(p.WaitForTrace(WaitingTrace(d.Pid())));
      }
      p.Kill();
      const ULONGLONG killed = GetTickCount64();
      ASSERT_TRUE(Eventually([&] { return !keys.WindowsKeyGetsThrough(10); }, 1000));
      EXPECT_LE(GetTickCount64() - killed, 100u) << "swallowed again within 100 ms";
    }
    EXPECT_EQ(settings.Current(), hotkeysOff);

    // A copy started now defers to the successor.
    Hushpad e(probeE.CommandLine());
    ASSERT_TRUE(e.WaitForTrace(DeferringTrace(d.Pid())));
    probeE.Release();
    ASSERT_TRUE(e.ExitsWithZero());
    ExpectSuppressedWithKeysFlowing(keys, 300);

    probeD.Release();
    ASSERT_TRUE(d.ExitsWithZero());
    EXPECT_TRUE(keys.WindowsKeyGetsThrough());
    EXPECT_EQ(settings.Current(), user)
        << "the settings the lost primary saved, not the changed ones";
    // D's own hook (above medium, as every process under Wine) is the one it
    // keeps when it takes over.
    EXPECT_EQ(d.Traces(), Concat({{DeferringTrace(p.Pid()), kSuppressed[0],
                                   LaunchingTrace(probeD.CommandLine()), TakingOverTrace(p.Pid()),
                                   kSuppressed[1]},
                                  kRestored}));
    probeP.Release();
  }
}
