#include "res/resource.h"
#include "text/ResourceText.h"

#include "TestStrings.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

namespace {

std::wstring DigitsEndingInZ(std::size_t length) {
    std::wstring text;
    for (std::size_t i = 0; i + 1 < length; ++i) {
        text += static_cast<wchar_t>(L'0' + i % 10);
    }
    return text + L'Z';
}

std::wstring Inserts(const wchar_t *format, ...) {
    va_list args;
    va_start(args, format);
    std::wstring text = FormatInserts(format, args);
    va_end(args);
    return text;
}

const wchar_t kUsage[] = L"Usage:\nHushpad PROGRAM [ARGUMENTS ...]\nHushpad --manual [PROGRAM [ARGUMENTS ...]]\n"
                         L"Hushpad --version\nHushpad --help\n";

TEST(LoadResourceString, LoadsEntriesOfAnyLengthWhole) {
    EXPECT_EQ(LoadResourceString(nullptr, IDS_TEST_254_UNITS), DigitsEndingInZ(254));
    EXPECT_EQ(LoadResourceString(nullptr, IDS_TEST_255_UNITS), DigitsEndingInZ(255));
    EXPECT_EQ(LoadResourceString(nullptr, IDS_TEST_600_UNITS), DigitsEndingInZ(600));
}

TEST(LoadResourceString, ReadsTheProgramsOwnModuleForNullAndForItsHandle) {
    EXPECT_EQ(LoadResourceString(nullptr, IDS_APP_NAME), L"Hushpad");
    EXPECT_EQ(LoadResourceString(GetModuleHandleW(nullptr), IDS_APP_NAME), L"Hushpad");
}

TEST(LoadResourceString, GivesEmptyTextForAMissingEntry) {
    EXPECT_EQ(LoadResourceString(nullptr, 5), L"");
    EXPECT_EQ(LoadResourceString(nullptr, 0), L"");
    EXPECT_EQ(LoadResourceString(nullptr, 65535), L"");
    EXPECT_EQ(FormatResourceMessage(5, nullptr, L"x"), L"");
}

TEST(FormatInserts, FillsInsertsAndWritesTheFormatsLineFeedsAsCrLf) {
    // FormatMessageW writes the format's own line breaks as CR LF; line feeds
    // inside an insert are copied as they are.
    EXPECT_EQ(Inserts(L"%1\n\n%2", L"first", L"one\ntwo"), L"first\r\n\r\none\ntwo");
    EXPECT_EQ(Inserts(L"%2-%1\t%2", L"a", L"b"), L"b-a\tb");
    EXPECT_EQ(Inserts(L"no inserts"), L"no inserts");
    EXPECT_EQ(Inserts(L""), L"");
}

TEST(FormatInserts, NeverReadsAnInsertAsAFormat) {
    EXPECT_EQ(Inserts(L"[%1]", L"--%1%2%n%%"), L"[--%1%2%n%%]");
    EXPECT_EQ(FormatResourceMessage(IDS_OPTION_INVALID, nullptr, L"--%1%2"), L"Invalid option: --%1%2");
    EXPECT_EQ(FormatResourceMessage(IDS_LAUNCH_ERROR, nullptr, L"C:\\100%\\%1.exe", L"Not found."),
              L"Unable to start process \"C:\\100%\\%1.exe\".  Not found.");
}

TEST(FormatResourceMessage, BuildsTheHelpVersionAndUsageTexts) {
    // The usage block (an insert, so bare line feeds) ends in a line feed, so
    // an empty line stands before "Options:".
    EXPECT_EQ(FormatResourceMessage(IDS_HELP_TEXT, nullptr, L"Hushpad", kUsage),
              std::wstring(L"Hushpad: Temporarily disables the Windows key and the accessibility keyboard "
                           L"shortcuts.\r\n\r\n") +
                  kUsage +
                  L"\r\nOptions:\r\n--manual \t\tShow a dialog box to re-enable keys manually.\r\n"
                  L"--version\t\tShow version information.");
    EXPECT_EQ(FormatResourceMessage(IDS_VERSION_TEXT, nullptr, L"Hushpad"),
              L"Hushpad 1.0\r\nWritten by the Hushpad developers.\r\nhttps://hushpad.example/");
    EXPECT_EQ(FormatResourceMessage(IDS_USAGE_ERROR, nullptr, L"No program specified.", kUsage),
              std::wstring(L"No program specified.\r\n\r\n") + kUsage);
}

TEST(FormatResourceMessage, EndsAWin32ErrorMessageInTwoSpacesWhenTheSystemHasNoText) {
    EXPECT_EQ(FormatResourceMessage(IDS_WINDOW_ERROR, nullptr, L""), L"Unable to create window.  ");
    EXPECT_EQ(FormatResourceMessage(IDS_NO_PROGRAM, nullptr), L"No program specified.");
}

} // namespace
