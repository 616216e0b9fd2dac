// The trace lines of the hook and the guard, read as a debugger sees them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "DebuggedProcess.h"
#include "SiblingPath.h"

namespace {

std::vector<std::wstring> TracesOf(const std::wstring& scenario) {
  DebuggedProcess probe(L"\"" + SiblingPath(L"KeysTraceProbe.exe") + L"\" " + scenario);
  EXPECT_FALSE(probe.StartFailed()) << probe.StartError();
  EXPECT_TRUE(probe.WaitForExit(10000));
  EXPECT_EQ(probe.ExitCode(), 0u);
  return probe.Traces();
}

}  // namespace

TEST(KeysTrace, Hook_TracesEachRealInstallAndRemoveOnce) {
  EXPECT_EQ(TracesOf(L"hook"), (std::vector<std::wstring>{
                                   L"-- install\n",
                                   L"Hushpad: Disabled the Windows key.\n",
                                   L"Hushpad: Re-enabled the Windows key.\n",
                                   L"-- failing install\n",
                                   L"-- destructor\n",
                                   L"Hushpad: Disabled the Windows key.\n",
                                   L"Hushpad: Re-enabled the Windows key.\n",
                               }));
}

TEST(KeysTrace, Guard_TracesEachRealDisableAndRestoreOnce_EvenWhenNothingCouldBeRead) {
  EXPECT_EQ(TracesOf(L"guard"), (std::vector<std::wstring>{
                                    L"-- disable\n",
                                    L"Hushpad: Disabled the accessibility keys.\n",
                                    L"-- restore\n",
                                    L"Hushpad: Re-enabled the accessibility keys.\n",
                                    L"-- failed reads\n",
                                    L"Hushpad: Disabled the accessibility keys.\n",
                                    L"Hushpad: Re-enabled the accessibility keys.\n",
                                    L"-- destructor\n",
                                    L"Hushpad: Disabled the accessibility keys.\n",
                                    L"Hushpad: Re-enabled the accessibility keys.\n",
                                }));
}
