// The modes of the command line: which box or child each form gives.
#include <gtest/gtest.h>

#include <algorithm>

#include "Harness.h"
#include "res/version.h"

TEST(Modes, EarlyModesShowOneBoxTouchNothingAndFollowTheirPrecedence) {
  Probe probe;  // never started: a PROGRAM after an early mode is ignored
  const std::wstring program = L" " + probe.CommandLine();
  const std::wstring help =
      std::wstring(
          L"Hushpad: Temporarily disables the Windows key and the accessibility "
          L"keyboard shortcuts.\n\n") +
      kUsage +
      L"\nOptions:\n--manual \t\tShow a dialog box to re-enable keys manually.\n"
      L"--tree\t\tAlso wait for the programs that PROGRAM starts.\n"
      L"--focus\t\tDisable the Windows key only while PROGRAM is in front.\n"
      L"--task-keys\tAlso disable Alt+Tab, Alt+Esc and Ctrl+Esc.\n"
      L"--full-screen\tOnly while a full-screen window is in front.\n"
      L"--version\t\tShow version information.";
  // Then the maker's and web lines.
  const std::wstring version = L"Hushpad " HUSHPAD_VERSION_TEXT L"\n";
  const std::wstring noProgram = std::wstring(L"No program specified.\n\n") + kUsage;
  struct Case {
    std::wstring arguments, text;
    BoxIcon icon;
  };
  const Case cases[] = {
      {L"", noProgram, BoxIcon::Error},
      {L"--manual=0", noProgram, BoxIcon::Error},
      {L"--help", help, BoxIcon::Information},
      {L"-h", help, BoxIcon::Information},
      {L"-?", help, BoxIcon::Information},
      {L"--manual --help", help, BoxIcon::Information},
      {L"--help --version", help, BoxIcon::Information},
      {L"--help --bogus", help, BoxIcon::Information},  // parsing stops after --help
      {L"--help" + program, help, BoxIcon::Information},
      {L"--version", version, BoxIcon::Information},
      {L"--version --help", version, BoxIcon::Information},
      {L"--manual --version", version, BoxIcon::Information},
      {L"--version" + program, version, BoxIcon::Information},
      {L"--bogus" + program, L"Invalid option: --bogus\n\n" + std::wstring(kUsage), BoxIcon::Error},
      {L"-x", L"Invalid option: -x\n\n" + std::wstring(kUsage), BoxIcon::Error},
      {L"--manual=2" + program, L"Invalid value for option --manual: 2\n\n" + std::wstring(kUsage),
       BoxIcon::Error},
      // --tree and --focus take their values the same way, as their rows elsewhere show.
      {L"--task-keys=2" + program,
       L"Invalid value for option --task-keys: 2\n\n" + std::wstring(kUsage), BoxIcon::Error},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.arguments));
    Hushpad hushpad(c.arguments);
    auto box = WaitForMessageBox(hushpad.Pid());
    ASSERT_TRUE(box.has_value());
    EXPECT_EQ(box->caption, L"Hushpad");
    if (c.text == version) {
      EXPECT_EQ(box->text.rfind(version, 0), 0u) << testing::PrintToString(box->text);
      EXPECT_EQ(std::count(box->text.begin(), box->text.end(), L'\n'), 2);
    } else {
      EXPECT_EQ(box->text, c.text);
    }
    EXPECT_EQ(box->icon, c.icon);
    EXPECT_EQ(box->buttons, Lines{L"OK"});
    CloseMessageBox(*box);
    EXPECT_TRUE(hushpad.ExitsWithZero());
    EXPECT_TRUE(hushpad.Traces().empty()) << "the early modes create nothing and trace nothing";
  }
  EXPECT_FALSE(probe.Started());
}
