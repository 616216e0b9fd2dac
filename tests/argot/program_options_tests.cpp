// The program's own command line: which flags each argument list sets, where
// the program's operands begin, and which errors are recorded.
#include "app/ProgramOptions.h"
#include "argot_test_support.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>

namespace {

// The flags that are set, as letters: h(elp), v(ersion), m(anual), t(ree).
std::wstring SetFlags() {
  return std::wstring(g_helpFlag ? L"h" : L"") + (g_versionFlag ? L"v" : L"") +
         (g_manualFlag ? L"m" : L"") + (g_treeFlag ? L"t" : L"");
}

// The flags are constant-initialized, so this dynamic initializer sees them
// as the program starts, before any test writes them.
const std::wstring kFlagsAtStart = SetFlags();

// Each row starts with every flag at initial; its effect is the flags set.
void Check(std::initializer_list<Row> rows, bool initial = false) {
  const auto effect = [initial] {
    const std::wstring set = SetFlags();
    g_helpFlag = g_versionFlag = g_manualFlag = g_treeFlag = initial;
    return set;
  };
  effect();
  CheckRows(g_programOptions, rows, effect);
}

TEST(ProgramOptionsTest, FlagsAreFalseAtStartAndOperandsBeginAtTheFirstNonOption) {
  EXPECT_EQ(kFlagsAtStart, L"");
  Check({
      {L"", L"", L"rest 0"},
      {L"notepad.exe -x", L"", L"rest 0"},
      {L"- --manual", L"", L"rest 0"},
      {L"--manual prog --help", L"m", L"rest 1"},
      {L"--manual -- --help", L"m", L"rest 2"},
      {L"--manual=1 prog arg", L"m", L"rest 1"},
      {L"--tree --manual prog", L"mt", L"rest 2"},
      {L"--tree=1 prog", L"t", L"rest 1"},
  });
}

TEST(ProgramOptionsTest, HelpAndVersionSetTheirFlagAndStopTheParse) {
  Check({
      {L"--help --manual", L"h", L"rest 1"},
      {L"-h foo", L"h", L"rest 1"},
      {L"-? --manual", L"h", L"rest 1"},
      {L"-?=1", L"h", L"rest 1"},
      {L"-hx", L"h", L"rest 1"},
      {L"-h --bogus", L"h", L"rest 1"},
      {L"--version --help", L"v", L"rest 1"},
      {L"--manual --version extra", L"vm", L"rest 2"},
  });
}

TEST(ProgramOptionsTest, ExplicitZeroOrOneSetsAFlagEitherWay) {
  Check(
      {
          {L"--version=0", L"hmt", L"rest 1"},
          {L"-h=0 x", L"vmt", L"rest 1"},
          {L"-?=0 x", L"vmt", L"rest 1"},
          {L"--manual=0 x", L"hvt", L"rest 1"},
          {L"--tree=0 x", L"hvm", L"rest 1"},
      },
      true);
  Check({{L"--manual=01 x", L"m", L"rest 1"}});
}

TEST(ProgramOptionsTest, BadOptionsAndValuesAreRecordedAsWritten) {
  Check({
      {L"-xh", L"", L"rest 1: 4 -x"},
      {L"--hel", L"", L"rest 1: 4 --hel"},
      {L"-v", L"", L"rest 1: 4 -v"},
      {L"-m", L"", L"rest 1: 4 -m"},
      {L"--?", L"", L"rest 1: 4 --?"},
      {L"--version=2", L"", L"rest 1: 6 --version=2"},
      {L"--manual=yes prog", L"", L"rest 1: 6 --manual=yes"},
      {L"--tree=2 prog", L"", L"rest 1: 6 --tree=2"},
      {L"--manual -?=2", L"m", L"rest 2: 6 -?=2"},
  });
}

}  // namespace
