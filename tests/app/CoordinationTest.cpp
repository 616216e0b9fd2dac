// One copy, then several at once: one primary suppresses the keys for all of
// them and restores them only after the last overlapping copy has ended.
#include <gtest/gtest.h>

#include <optional>
#include <thread>

#include "Harness.h"

TEST(Coordination, PrimarySuppressesKeysUntilItsChildEndsAndTracesItsRunInOrder) {
  WindowsKeyObserver keys;
  ASSERT_TRUE(keys.WindowsKeyGetsThrough()) << "the observer must see the key before Hushpad runs";
  // The child's plain arguments reach it as that very command line; it
  // starts a grandchild as it ends, which Hushpad does not wait for.
  const std::wstring grandchildEvent = UniqueName(L"HushpadGrandchild");
  UniqueHandle grandchildGo(CreateEventW(nullptr, TRUE, FALSE, grandchildEvent.c_str()));
  Probe probe(L"a b -window /spawn:" + grandchildEvent);
  Hushpad primary(probe.CommandLine());
  ASSERT_TRUE(probe.WaitForReport());
  EXPECT_EQ(probe.ReportedCommandLine(), probe.CommandLine());
  ASSERT_TRUE(primary.WaitForTrace(LaunchingTrace(probe.CommandLine())));
  EXPECT_FALSE(keys.WindowsKeyGetsThrough()) << "swallowed while the child runs";
  probe.Release();
  ASSERT_TRUE(primary.ExitsWithZero());
  EXPECT_TRUE(keys.WindowsKeyGetsThrough()) << "back once Hushpad has ended";
  EXPECT_EQ(primary.Traces(),
            Concat({kSuppressed, {LaunchingTrace(probe.CommandLine())}, kRestored}));

  const std::wstring grandchildReport = probe.ReportPath() + L".grandchild";
  ASSERT_TRUE(Eventually([&] { return !ReadWholeFile(grandchildReport).empty(); }));
  const std::string report = ReadWholeFile(grandchildReport);
  EXPECT_TRUE(
      ProcessRunning(std::wcstoul(reinterpret_cast<const wchar_t*>(report.c_str()), nullptr, 10)))
      << "the grandchild still runs, Hushpad has ended";
  SetEvent(grandchildGo.get());
}

TEST(Coordination, PrimaryHandsOffOnlyAfterEveryOverlappingCopy) {
  WindowsKeyObserver keys;
  Probe probeA, probeB, probeC;
  Hushpad a(probeA.CommandLine());
  ASSERT_TRUE(probeA.WaitForReport());

  // A second copy defers to the first and touches no key setting.
  Hushpad b(probeB.CommandLine());
  ASSERT_TRUE(b.WaitForTrace(DeferringTrace(a.Pid())));
  ASSERT_TRUE(probeB.WaitForReport());

  // The primary's own child ends: it waits for B with the keys suppressed.
  probeA.Release();
  ASSERT_TRUE(a.WaitForTrace(WaitingTrace(b.Pid())));
  EXPECT_FALSE(keys.WindowsKeyGetsThrough());

  // A copy started during the hand-off defers too and is waited for later.
  Hushpad c(probeC.CommandLine());
  ASSERT_TRUE(probeC.WaitForReport());
  const Lines cTraces = c.Traces();
  ASSERT_FALSE(cTraces.empty());
  EXPECT_TRUE(cTraces[0] == DeferringTrace(a.Pid()) || cTraces[0] == DeferringTrace(b.Pid()))
      << testing::PrintToString(cTraces);

  probeB.Release();
  ASSERT_TRUE(b.ExitsWithZero());
  EXPECT_EQ(b.Traces(),
            (Lines{DeferringTrace(a.Pid()), LaunchingTrace(probeB.CommandLine()), kExited}));
  ASSERT_TRUE(a.WaitForTrace(WaitingTrace(c.Pid())));
  EXPECT_FALSE(a.WaitForTrace(kRestored[1], 0));
  EXPECT_FALSE(keys.WindowsKeyGetsThrough()) << "still suppressed while C runs";

  probeC.Release();
  ASSERT_TRUE(c.ExitsWithZero());
  ASSERT_TRUE(a.ExitsWithZero());
  EXPECT_TRUE(keys.WindowsKeyGetsThrough());
  EXPECT_EQ(
      a.Traces(),
      Concat({kSuppressed,
              {LaunchingTrace(probeA.CommandLine()), WaitingTrace(b.Pid()), WaitingTrace(c.Pid())},
              kRestored}));

  // A copy started after the hand-off is the next primary.
  Probe probeD;
  Hushpad d(probeD.CommandLine());
  ASSERT_TRUE(d.WaitForTrace(LaunchingTrace(probeD.CommandLine())));
  EXPECT_EQ(d.Traces().front(), kSuppressed[0]);
  EXPECT_FALSE(keys.WindowsKeyGetsThrough());
  probeD.Release();
  ASSERT_TRUE(d.ExitsWithZero());
  EXPECT_TRUE(keys.WindowsKeyGetsThrough());
}

TEST(Coordination, CopyThatCannotBeOpenedIsSearchedAgainWithoutStallingTheKeyboard) {
  // The primary (fault build) cannot open B's process; it must keep searching
  // for B's window, with the keys suppressed, and not burn a core.
  WindowsKeyObserver keys;
  Probe probeA, probeB;
  Hushpad a(probeA.CommandLine(), L"OpenProcess:5");
  ASSERT_TRUE(a.WaitForTrace(kSuppressed[1]));
  Hushpad b(probeB.CommandLine());
  ASSERT_TRUE(b.WaitForTrace(DeferringTrace(a.Pid())));
  ASSERT_TRUE(probeA.WaitForReport());
  probeA.Release();
  Eventually([&] { return !ProcessRunning(probeA.Pid()); });
  PumpMessages(300);  // A's child has ended: A is in its hand-off now
  EXPECT_TRUE(a.Running());

  UniqueHandle process(OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, a.Pid()));
  ASSERT_TRUE(process);
  auto cpuMs = [&] {
    FILETIME created, exited, kernel, user;
    GetProcessTimes(process.get(), &created, &exited, &kernel, &user);
    auto ms = [](FILETIME t) {
      return (ULONGLONG(t.dwHighDateTime) << 32 | t.dwLowDateTime) / 10000;
    };
    return ms(kernel) + ms(user);
  };
  const ULONGLONG cpuBefore = cpuMs(), wallBefore = GetTickCount64();
  ExpectSuppressedWithKeysFlowing(keys, 1500);
  const ULONGLONG cpuUsed = cpuMs() - cpuBefore, wall = GetTickCount64() - wallBefore;
  EXPECT_LT(cpuUsed * 4, wall) << "the search loop must not spin: " << cpuUsed << " ms CPU in "
                               << wall << " ms";
  EXPECT_FALSE(a.WaitForTrace(WaitingTrace(b.Pid()), 0));

  probeB.Release();
  ASSERT_TRUE(b.ExitsWithZero());
  ASSERT_TRUE(a.ExitsWithZero());
  EXPECT_TRUE(keys.WindowsKeyGetsThrough());
  EXPECT_EQ(Tail(a.Traces(), 3), kRestored);
}

TEST(Coordination, WaitThatEndsEarlyLeavesItsWatchHarmless) {
  // A's wait for its child ends early (GetMessageW fails once, after a pause
  // in which B starts). The launch step then closes the child's handles while
  // the watch thread still waits; A must go on to wait for B, with the keys
  // suppressed, until B has really ended.
  WindowsKeyObserver keys;
  Probe probeA, probeB;
  Hushpad a(probeA.CommandLine(), L"GetMessageW:0:1500:1");
  ASSERT_TRUE(a.WaitForTrace(LaunchingTrace(probeA.CommandLine())));
  Hushpad b(probeB.CommandLine());
  ASSERT_TRUE(b.WaitForTrace(DeferringTrace(a.Pid())));
  ASSERT_TRUE(a.WaitForTrace(WaitingTrace(b.Pid())));

  PumpMessages(500);
  probeA.Release();  // the orphaned watch ends now; B still runs
  PumpMessages(500);
  EXPECT_TRUE(a.Running());
  EXPECT_FALSE(a.WaitForTrace(kRestored[1], 0));
  EXPECT_FALSE(keys.WindowsKeyGetsThrough());

  probeB.Release();
  ASSERT_TRUE(b.ExitsWithZero());
  ASSERT_TRUE(a.ExitsWithZero());
  EXPECT_TRUE(keys.WindowsKeyGetsThrough());
  for (const std::wstring& trace : a.Traces()) {
    EXPECT_EQ(trace.find(L"WaitForSingleObject failed"), std::wstring::npos)
        << "closed handle used";
  }
  EXPECT_EQ(Tail(a.Traces(), 3), kRestored);
}

TEST(Coordination, KeysStaySuppressedWhileTheMainThreadIsBlocked) {
  // Hushpad's main thread stops for three seconds before CreateProcessW (as
  // when a large program is scanned for viruses), and later waits for the
  // "-app" mutex that another copy (this test) holds for seconds and then
  // leaves abandoned by dying: the keyboard must not notice either.
  WindowsKeyObserver keys;
  Probe probe;
  Hushpad primary(probe.CommandLine(), L"CreateProcessW:0:3000");
  ASSERT_TRUE(primary.WaitForTrace(LaunchingTrace(probe.CommandLine())));
  ExpectSuppressedWithKeysFlowing(keys, 2000);
  ASSERT_TRUE(probe.WaitForReport());

  UniqueHandle go(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  std::thread holder([&] {
    UniqueHandle mutex(CreateMutexW(nullptr, FALSE, kAppMutexName));
    WaitForSingleObject(mutex.get(), INFINITE);
    WaitForSingleObject(go.get(), INFINITE);
  });  // ends without ReleaseMutex
  PumpMessages(300);
  probe.Release();
  ExpectSuppressedWithKeysFlowing(keys, 2000);
  EXPECT_TRUE(primary.Running()) << "waits for the mutex";
  SetEvent(go.get());
  holder.join();
  ASSERT_TRUE(primary.ExitsWithZero());
  EXPECT_EQ(primary.Traces(),
            Concat({kSuppressed, {LaunchingTrace(probe.CommandLine())}, kRestored}))
      << "an abandoned mutex is as good as a released one";
  EXPECT_TRUE(keys.WindowsKeyGetsThrough());
}

TEST(Coordination, ACopyTakesOverFromALostPrimaryAndTheLastOneRestoresTheUsersSettings) {
  WindowsKeyObserver keys(WindowsKeyObserver::Via::FocusedWindow);
  const AccessibilitySettingsView user{
      {sizeof(STICKYKEYS), SKF_AVAILABLE | SKF_HOTKEYACTIVE | SKF_CONFIRMHOTKEY},
      {sizeof(TOGGLEKEYS), TKF_AVAILABLE | TKF_HOTKEYACTIVE},
      {sizeof(FILTERKEYS), FKF_AVAILABLE | FKF_HOTKEYACTIVE, 1000, 500, 30, 0}};
  AccessibilitySettingsView hotkeysOff = user;
  hotkeysOff.stickyKeys.dwFlags &= ~DWORD{0xC};
  hotkeysOff.toggleKeys.dwFlags &= ~DWORD{0xC};
  hotkeysOff.filterKeys.dwFlags &= ~DWORD{0xC};

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

    std::optional<MessageBoxView> box;
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
    EXPECT_EQ(d.Traces(), Concat({{DeferringTrace(p.Pid()), LaunchingTrace(probeD.CommandLine()),
                                   TakingOverTrace(p.Pid())},
                                  kSuppressed,
                                  kRestored}));
    probeP.Release();
  }
}
