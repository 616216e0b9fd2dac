#include "text/QuoteArgument.h"

#include "ChildProcess.h"

#include <gtest/gtest.h>
#include <windows.h>
#include <shellapi.h>

#include <random>
#include <string>
#include <vector>

namespace {

std::wstring JoinQuoted(const std::vector<std::wstring> &arguments) {
    std::wstring line;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        if (i > 0) {
            line += L' ';
        }
        line += QuoteArgument(arguments[i]);
    }
    return line;
}

// The arguments that CommandLineToArgvW finds after the program's name.
std::vector<std::wstring> SplitAfterProgram(const std::wstring &arguments) {
    int count = 0;
    const std::wstring line = L"program.exe " + arguments;
    LPWSTR *vector = CommandLineToArgvW(line.c_str(), &count);
    if (!vector) {
        ADD_FAILURE() << "CommandLineToArgvW failed: " << GetLastError();
        return {};
    }
    std::vector<std::wstring> result(vector + 1, vector + count);
    LocalFree(vector);
    return result;
}

// Arguments built from the characters that the parsing rules care about,
// with plain, non-ASCII and surrogate-pair text between them.
std::vector<std::wstring> GenerateArguments(std::mt19937 &random, std::size_t count) {
    static const std::wstring pieces[] = {
        L"a", L"Z", L"-x", L" ", L"\t", L"\"", L"\\", L"\\\\", L"\\\\\\", L"\\\"", L"\"\"",
        L"\u00A0", L"\u0085", L"\u3000", L"\n", L"\u00E9", L"\u4E2D", L"\U0001F600", L"%1", L"^&|",
    };
    std::uniform_int_distribution<std::size_t> pieceCount(0, 8);
    std::uniform_int_distribution<std::size_t> piece(0, std::size(pieces) - 1);
    std::vector<std::wstring> arguments(count);
    for (std::wstring &argument : arguments) {
        for (std::size_t n = pieceCount(random); n > 0; --n) {
            argument += pieces[piece(random)];
        }
    }
    return arguments;
}

TEST(QuoteArgument, LeavesArgumentsWithoutWhitespaceOrQuotesAsTheyAre) {
    EXPECT_EQ(QuoteArgument(L"notepad.exe"), L"notepad.exe");
    EXPECT_EQ(QuoteArgument(L"-window"), L"-window");
    EXPECT_EQ(QuoteArgument(L"C:\\dir\\"), L"C:\\dir\\");
    EXPECT_EQ(QuoteArgument(L"a\\\\b"), L"a\\\\b");
    EXPECT_EQ(QuoteArgument(L"100%"), L"100%");
    // Next line (U+0085) is no whitespace to the runtime.
    EXPECT_EQ(QuoteArgument(L"a\u0085b"), L"a\u0085b");
}

TEST(QuoteArgument, QuotesArgumentsWithAnyWhitespace) {
    EXPECT_EQ(QuoteArgument(L"C:\\Program Files\\Game\\game.exe"), L"\"C:\\Program Files\\Game\\game.exe\"");
    EXPECT_EQ(QuoteArgument(L"save name"), L"\"save name\"");
    EXPECT_EQ(QuoteArgument(L"   "), L"\"   \"");
    EXPECT_EQ(QuoteArgument(L"a\tb"), L"\"a\tb\"");
    EXPECT_EQ(QuoteArgument(L"a\nb"), L"\"a\nb\"");
    EXPECT_EQ(QuoteArgument(L"a\u00A0b"), L"\"a\u00A0b\"");
}

TEST(QuoteArgument, EscapesQuotesWithOneBackslashWhenNoneStandsBefore) {
    EXPECT_EQ(QuoteArgument(L"say \"hi\""), L"\"say \\\"hi\\\"\"");
    EXPECT_EQ(QuoteArgument(L"a\"b"), L"a\\\"b");
    EXPECT_EQ(QuoteArgument(L"\""), L"\\\"");
}

TEST(QuoteArgument, KeepsEmptyArgumentsAndBackslashesBeforeQuotes) {
    // These would be lost or would run into the next argument without the
    // doubling of backslashes before a quote and the "" for an empty one.
    EXPECT_EQ(QuoteArgument(L""), L"\"\"");
    EXPECT_EQ(QuoteArgument(L"C:\\my dir\\"), L"\"C:\\my dir\\\\\"");
    EXPECT_EQ(QuoteArgument(L"a\\\"b"), L"a\\\\\\\"b");
    EXPECT_EQ(QuoteArgument(L"x y\\\\"), L"\"x y\\\\\\\\\"");
}

TEST(QuoteArgument, JoinedFormsMakeTheChildsCommandLine) {
    EXPECT_EQ(JoinQuoted({L"C:\\Games\\game.exe", L"-window", L"save name"}),
              L"C:\\Games\\game.exe -window \"save name\"");
    EXPECT_EQ(JoinQuoted({L"C:\\Program Files\\Game\\game.exe"}), L"\"C:\\Program Files\\Game\\game.exe\"");
    EXPECT_EQ(JoinQuoted({L"p.exe", L"a", L"", L"b"}), L"p.exe a \"\" b");
}

TEST(QuoteArgument, RoundTripsThroughCommandLineToArgvW) {
    const std::vector<std::vector<std::wstring>> examples = {
        {L""}, {L"", L""}, {L"C:\\my dir\\", L"next"}, {L"a\\\"b"}, {L"\\"}, {L"\\\\ \\\\"},
        {L"\"", L"\" \""}, {L"a b\\", L"c"}, {L"\u00A0", L"\u0085"},
    };
    for (const auto &arguments : examples) {
        EXPECT_EQ(SplitAfterProgram(JoinQuoted(arguments)), arguments) << JoinQuoted(arguments);
    }

    std::mt19937 random(20240611);
    std::uniform_int_distribution<std::size_t> argumentCount(1, 6);
    int failures = 0;
    for (int round = 0; round < 5000 && failures < 10; ++round) {
        const std::vector<std::wstring> arguments = GenerateArguments(random, argumentCount(random));
        const std::wstring line = JoinQuoted(arguments);
        if (SplitAfterProgram(line) != arguments) {
            ADD_FAILURE() << "round " << round << " does not round-trip: " << testing::PrintToString(line);
            ++failures;
        }
    }
}

TEST(QuoteArgument, RoundTripsThroughTheChildsRuntime) {
    const std::vector<std::wstring> fixed = {L"", L"C:\\my dir\\", L"a\\\"b", L"say \"hi\"", L"\u00A0", L"last"};
    EXPECT_EQ(ChildArguments(JoinQuoted(fixed)), fixed);

    std::mt19937 random(7);
    for (int child = 0; child < 12; ++child) {
        const std::vector<std::wstring> arguments = GenerateArguments(random, 40);
        EXPECT_EQ(ChildArguments(JoinQuoted(arguments)), arguments) << "child " << child;
    }
}

} // namespace
