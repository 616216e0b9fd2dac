#include "text/SystemErrorText.h"
#include "text/TextUtil.h"

#include "DebuggedProcess.h"
#include "SiblingPath.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <stdexcept>
#include <string>
#include <vector>

namespace {

TEST(TrimWhitespace, TrimsTheChosenEnds) {
  const std::wstring text = L" \t\r\n\v\f a b \u3000\r\n";
  const struct {
    std::wstring text;
    unsigned sides;
    std::wstring trimmed;
  } cases[] = {
      {text, TrimLeading | TrimTrailing, L"a b"},
      {text, TrimLeading, L"a b \u3000\r\n"},
      {text, TrimTrailing, L" \t\r\n\v\f a b"},
      {text, 0, text},
      {L"\u00E9x\u4E2D", TrimLeading | TrimTrailing, L"\u00E9x\u4E2D"},
      // GetStringTypeW calls U+0085 a space and U+FEFF a blank; the runtime's
      // classification, and so the trimming, does not.
      {L"\u00A0\u0085x\uFEFF\u00A0", TrimLeading | TrimTrailing, L"\u0085x\uFEFF"},
      {L" \r\n\t ", TrimLeading | TrimTrailing, L""},
      {L" \r\n\t ", TrimLeading, L""},
      {L" \r\n\t ", TrimTrailing, L""},
      {L"", TrimLeading | TrimTrailing, L""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(TrimWhitespace(c.text, c.sides), c.trimmed)
        << testing::PrintToString(c.text) << " " << c.sides;
  }
}

TEST(SystemErrorText, GivesTheSystemsTextTrimmedAtBothEnds_OrNothing) {
  wchar_t* raw = nullptr;
  ASSERT_NE(
      FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS |
                         FORMAT_MESSAGE_FROM_SYSTEM,
                     nullptr, ERROR_ACCESS_DENIED, 0, reinterpret_cast<LPWSTR>(&raw), 0, nullptr),
      0u);
  const std::wstring untrimmed(raw);
  LocalFree(raw);
  const std::wstring text = SystemErrorText(ERROR_ACCESS_DENIED);
  ASSERT_NE(text, untrimmed) << "the system's text ends in a line break";
  EXPECT_FALSE(text.empty());
  EXPECT_EQ(text, TrimWhitespace(untrimmed, TrimLeading | TrimTrailing));
  EXPECT_EQ(SystemErrorText(0x2000ABCD), L"");  // an application-defined code
}

TEST(FormatPrintf, FormatsWithTheMicrosoftWidePrintf_WherePercentSTakesUtf16) {
  // In C99 wide printf (MinGW's standard names) %s would read a narrow
  // string and stop after the first unit here.
  EXPECT_EQ(FormatPrintf(L"%s", L"wide \u00FC\u4E2D text"), L"wide \u00FC\u4E2D text");
  EXPECT_EQ(FormatPrintf(L"WaitForSingleObject failed: %s (%u)\n", L"Invalid handle.", 6u),
            L"WaitForSingleObject failed: Invalid handle. (6)\n");
  EXPECT_EQ(FormatPrintf(L"Hushpad: Deferring to [%u]\n", 4294967295u),
            L"Hushpad: Deferring to [4294967295]\n");
  EXPECT_EQ(FormatPrintf(L""), L"");
  const std::wstring longText(5000, L'\u00E9');
  EXPECT_EQ(FormatPrintf(L"<%s>", longText.c_str()), L"<" + longText + L">");
  // Which conversions the runtime rejects differs between its versions (Wine's
  // accepts a lone "%"); all of them reject a missing format.
  try {
    FormatPrintf(nullptr);
    ADD_FAILURE() << "no exception";
  } catch (const std::runtime_error& error) {
    EXPECT_STREQ(error.what(), "Error formatting string.");
  }
}

TEST(DebugTrace, WritesFormattedLinesToTheDebugger) {
  DebuggedProcess child(L"\"" + SiblingPath(L"TextTestChild.exe") + L"\" trace");
  ASSERT_TRUE(child.WaitForExit(30000));
  EXPECT_EQ(child.ExitCode(), 0u);
  EXPECT_EQ(child.Traces(),
            (std::vector<std::wstring>{
                L"Hushpad: Waiting for [1234]\n",
                L"Hushpad: Launching: \"C:\\Program Files\\a.exe\" -x\n",
                L"WaitForSingleObject failed: " + SystemErrorText(ERROR_INVALID_HANDLE) + L" (6)\n",
                L"end",
            }));
}

TEST(ToWideString, ConvertsFromTheGivenCodePage_OrThrows) {
  EXPECT_EQ(ToWideString("", CP_ACP), L"");
  EXPECT_EQ(ToWideString("bad allocation", CP_ACP), L"bad allocation");
  EXPECT_EQ(ToWideString("\xC3\xA9\xE4\xB8\xAD", CP_UTF8), L"\u00E9\u4E2D");
  try {
    ToWideString("text", 12345);
    ADD_FAILURE() << "no exception";
  } catch (const std::runtime_error& error) {
    EXPECT_STREQ(error.what(), "Error converting string.");
  }
}

}  // namespace
