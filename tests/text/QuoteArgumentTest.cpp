#include "text/QuoteArgument.h"

#include <gtest/gtest.h>
#include <windows.h>
#include <shellapi.h>

#include <random>
#include <string>
#include <vector>

namespace {

using Arguments = std::vector<std::wstring>;

std::wstring JoinQuoted(const Arguments& arguments) {
  std::wstring line;
  for (const std::wstring& argument : arguments) {
    line += (line.empty() ? L"" : L" ") + QuoteArgument(argument);
  }
  return line;
}

// The arguments that CommandLineToArgvW finds after the program's name.
Arguments SplitAfterProgram(const std::wstring& arguments) {
  int count = 0;
  LPWSTR* vector = CommandLineToArgvW((L"program.exe " + arguments).c_str(), &count);
  if (!vector) {
    ADD_FAILURE() << "CommandLineToArgvW failed: " << GetLastError();
    return {};
  }
  Arguments result(vector + 1, vector + count);
  LocalFree(vector);
  return result;
}

// Arguments built from the characters that the parsing rules care about,
// with plain, non-ASCII and surrogate-pair text between them.
Arguments GenerateArguments(std::mt19937& random, std::size_t count) {
  static const std::wstring pieces[] = {
      L"a",    L"Z",      L"-x",     L" ",          L"\t",     L"\"",     L"\\",
      L"\\\\", L"\\\\\\", L"\\\"",   L"\"\"",       L"\u00A0", L"\u0085", L"\u3000",
      L"\n",   L"\u00E9", L"\u4E2D", L"\U0001F600", L"%1",     L"^&|",
  };
  std::uniform_int_distribution<std::size_t> pieceCount(0, 8), piece(0, std::size(pieces) - 1);
  Arguments arguments(count);
  for (std::wstring& argument : arguments) {
    for (std::size_t n = pieceCount(random); n > 0; --n) {
      argument += pieces[piece(random)];
    }
  }
  return arguments;
}

TEST(QuoteArgument, QuotesOnlyForWhitespaceAndEscapesOnlyQuotesAndTheBackslashesBeforeThem) {
  const struct {
    const wchar_t *argument, *quoted;
  } cases[] = {
      {L"notepad.exe", L"notepad.exe"},
      {L"C:\\dir\\", L"C:\\dir\\"},
      {L"a\\\\b", L"a\\\\b"},
      {L"100%", L"100%"},
      {L"a\u0085b", L"a\u0085b"},  // next line is no whitespace to the runtime
      {L"C:\\Program Files\\Game\\game.exe", L"\"C:\\Program Files\\Game\\game.exe\""},
      {L"save name", L"\"save name\""},
      {L"   ", L"\"   \""},
      {L"a\tb", L"\"a\tb\""},
      {L"a\nb", L"\"a\nb\""},
      {L"a\u00A0b", L"\"a\u00A0b\""},
      {L"say \"hi\"", L"\"say \\\"hi\\\"\""},
      {L"a\"b", L"a\\\"b"},
      {L"\"", L"\\\""},
      // Without "" and the doubled backslashes before a quote these would be
      // lost or would run into the next argument.
      {L"", L"\"\""},
      {L"C:\\my dir\\", L"\"C:\\my dir\\\\\""},
      {L"a\\\"b", L"a\\\\\\\"b"},
      {L"x y\\\\", L"\"x y\\\\\\\\\""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(QuoteArgument(c.argument), c.quoted)
        << testing::PrintToString(std::wstring(c.argument));
  }
}

TEST(QuoteArgument, RoundTripsThroughCommandLineToArgvW) {
  std::mt19937 random(20240611);
  std::uniform_int_distribution<std::size_t> argumentCount(1, 6);
  int failures = 0;
  for (int round = 0; round < 5000 && failures < 10; ++round) {
    const Arguments arguments = GenerateArguments(random, argumentCount(random));
    if (SplitAfterProgram(JoinQuoted(arguments)) != arguments) {
      ADD_FAILURE() << "round " << round << ": " << testing::PrintToString(JoinQuoted(arguments));
      ++failures;
    }
  }
}

}  // namespace
