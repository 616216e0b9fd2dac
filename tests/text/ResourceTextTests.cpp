#include "res/resource.h"
#include "res/version.h"
#include "text/ResourceText.h"

#include "TestStrings.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

namespace {

std::wstring Inserts(const wchar_t* format, ...) {
  va_list args;
  va_start(args, format);
  std::wstring text = FormatInserts(format, args);
  va_end(args);
  return text;
}

TEST(LoadResourceString, LoadsEntriesOfAnyLengthWhole_AndNothingForAMissingOne) {
  for (std::size_t length :
       {254, 255, 600}) {  // around the first buffer of 256 units, and beyond twice that
    std::wstring digits;
    while (digits.size() + 1 < length) {
      digits += static_cast<wchar_t>(L'0' + digits.size() % 10);
    }
    const UINT id = length == 254   ? IDS_TEST_254_UNITS
                    : length == 255 ? IDS_TEST_255_UNITS
                                    : IDS_TEST_600_UNITS;
    EXPECT_EQ(LoadResourceString(nullptr, id), digits + L'Z') << length;
  }
  EXPECT_EQ(LoadResourceString(GetModuleHandleW(nullptr), IDS_APP_NAME), L"Hushpad");
  for (UINT missing : {0, 5, 65535}) {
    EXPECT_EQ(LoadResourceString(nullptr, missing), L"") << missing;
  }
  EXPECT_EQ(FormatResourceMessage(5, nullptr, L"x"), L"");
}

TEST(FormatInserts, WritesTheFormatsLineFeedsAsCrLf_AndNeverReadsAnInsertAsAFormat) {
  // FormatMessageW writes the format's own line breaks as CR LF; line feeds
  // inside an insert are copied as they are.
  EXPECT_EQ(Inserts(L"%1\n\n%2", L"first", L"one\ntwo"), L"first\r\n\r\none\ntwo");
  EXPECT_EQ(Inserts(L"%2-%1\t%2", L"a", L"b"), L"b-a\tb");
  EXPECT_EQ(Inserts(L""), L"");
  EXPECT_EQ(Inserts(L"[%1]", L"--%1%2%n%%"), L"[--%1%2%n%%]");
  EXPECT_EQ(FormatResourceMessage(IDS_LAUNCH_ERROR, nullptr, L"C:\\100%\\%1.exe", L"Not found."),
            L"Unable to start process \"C:\\100%\\%1.exe\".  Not found.");
}

TEST(FormatResourceMessage, BuildsTheHelpVersionUsageAndErrorTexts) {
  // The usage block (an insert, so bare line feeds) ends in a line feed, so
  // an empty line stands before "Options:".
  const std::wstring usage = LoadResourceString(nullptr, IDS_USAGE);
  EXPECT_EQ(FormatResourceMessage(IDS_HELP_TEXT, nullptr, L"Hushpad", usage.c_str()),
            L"Hushpad: Temporarily disables the Windows key and the accessibility keyboard "
            L"shortcuts.\r\n\r\n" +
                usage +
                L"\r\nOptions:\r\n--manual \t\tShow a dialog box to re-enable keys manually.\r\n"
                L"--tree\t\tAlso wait for the programs that PROGRAM starts.\r\n"
                L"--version\t\tShow version information.");
  EXPECT_EQ(FormatResourceMessage(IDS_VERSION_TEXT, nullptr, L"Hushpad"),
            L"Hushpad " HUSHPAD_VERSION_TEXT
            L"\r\nWritten by the Hushpad developers.\r\nhttps://hushpad.example/");
  EXPECT_EQ(
      FormatResourceMessage(IDS_USAGE_ERROR, nullptr, L"No program specified.", usage.c_str()),
      L"No program specified.\r\n\r\n" + usage);
  // With no system text the message ends in its two spaces.
  EXPECT_EQ(FormatResourceMessage(IDS_WINDOW_ERROR, nullptr, L""), L"Unable to create window.  ");
  EXPECT_EQ(FormatResourceMessage(IDS_NO_PROGRAM, nullptr), L"No program specified.");
}

}  // namespace
