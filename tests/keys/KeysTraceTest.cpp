// The trace lines of the hook and the guard, read as a debugger sees them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "DebuggedProcess.h"
#include "SiblingPath.h"

TEST(KeysTrace, EachRealInstallRemoveDisableAndRestoreTracesOnce_EvenWhenNothingCouldBeRead) {
  DebuggedProcess probe(L"\"" + SiblingPath(L"KeysTraceProbe.exe") + L"\"");
  ASSERT_FALSE(probe.StartFailed()) << probe.StartError();
  ASSERT_TRUE(probe.WaitForExit(60000));
  EXPECT_EQ(probe.ExitCode(), 0u);
  EXPECT_EQ(probe.Traces(), (std::vector<std::wstring>{
                                L"-- hook\n",
                                L"Hushpad: Disabled the Windows key.\n",
                                L"Hushpad: Re-enabled the Windows key.\n",
                                L"-- failing install\n",
                                L"-- hook destructor\n",
                                L"Hushpad: Disabled the Windows key.\n",
                                L"Hushpad: Re-enabled the Windows key.\n",
                                L"-- guard\n",
                                L"Hushpad: Disabled the accessibility keys.\n",
                                L"Hushpad: Re-enabled the accessibility keys.\n",
                                L"-- failed reads\n",
                                L"Hushpad: Disabled the accessibility keys.\n",
                                L"Hushpad: Re-enabled the accessibility keys.\n",
                                L"-- guard destructor\n",
                                L"Hushpad: Disabled the accessibility keys.\n",
                                L"Hushpad: Re-enabled the accessibility keys.\n",
                            }));
}
