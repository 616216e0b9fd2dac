// --task-keys: Alt+Tab, Alt+Esc and Ctrl+Esc do nothing while a copy that
// asks for it runs; every other use of Tab, Esc and the modifiers arrives.
#include <gtest/gtest.h>

#include <initializer_list>

#include "Harness.h"

namespace {

using Strokes = WindowsKeyObserver::Strokes;

// The keys pressed in order and released in reverse.
Strokes Chord(std::initializer_list<WORD> keys) {
  Strokes strokes;
  for (WORD key : keys) strokes.push_back({key, false});
  for (auto key = std::rbegin(keys); key != std::rend(keys); ++key) strokes.push_back({*key, true});
  return strokes;
}

constexpr WORD Alt = VK_LMENU, Ctrl = VK_LCONTROL, Shift = VK_LSHIFT, Tab = VK_TAB, Esc = VK_ESCAPE;
const std::wstring kTaskKeysOff = L"Hushpad: Disabled Alt+Tab, Alt+Esc and Ctrl+Esc.\n";
const std::wstring kTaskKeysBack = L"Hushpad: Re-enabled Alt+Tab, Alt+Esc and Ctrl+Esc.\n";

}  // namespace

TEST(TaskKeys, OnlyTheTaskSwitchingChordsLoseTheirTabOrEsc) {
  WindowsKeyObserver keys;
  const struct {
    Strokes chord, withoutItsKey;  // empty: it arrives whole with --task-keys too
  } rows[] = {
      {Chord({Alt, Tab}), Chord({Alt})},
      {Chord({Alt, Shift, Tab}), Chord({Alt, Shift})},
      {Chord({Alt, Esc}), Chord({Alt})},
      {Chord({Ctrl, Esc}), Chord({Ctrl})},
      {Chord({Tab}), {}},
      {Chord({Esc}), {}},
      {Chord({Shift, Tab}), {}},
      {Chord({Ctrl, Tab}), {}},
      {Chord({Ctrl, Shift, Esc}), {}},  // Task Manager
  };
  for (const bool taskKeys : {true, false}) {
    SCOPED_TRACE(taskKeys ? "--task-keys" : "without it");
    Probe probe;
    Hushpad hushpad((taskKeys ? L"--task-keys " : L"") + probe.CommandLine());
    ASSERT_TRUE(hushpad.WaitForTrace(LaunchingTrace(probe.CommandLine())));
    for (size_t i = 0; i < std::size(rows); ++i) {
      const bool swallowed = taskKeys && !rows[i].withoutItsKey.empty();
      EXPECT_EQ(keys.Through(rows[i].chord), swallowed ? rows[i].withoutItsKey : rows[i].chord)
          << "row " << i;
    }
    probe.Release();
    ASSERT_TRUE(hushpad.ExitsWithZero());
    EXPECT_EQ(keys.Through(Chord({Alt, Tab})), Chord({Alt, Tab}));
    const Lines taskLines = taskKeys ? Lines{kTaskKeysOff} : Lines{};
    const Lines taskBack = taskKeys ? Lines{kTaskKeysBack} : Lines{};
    EXPECT_EQ(
        hushpad.Traces(),
        Concat(
            {kSuppressed, taskLines, {LaunchingTrace(probe.CommandLine())}, taskBack, kRestored}));
  }
}
