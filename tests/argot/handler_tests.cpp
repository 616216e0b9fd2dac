// The value handlers: what they store, what they reject, and that a rejected
// value leaves the destination as it was.
#include "argot_handlers.h"
#include "argot_test_support.h"
#include "stderr_capture.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>

namespace {

constexpr std::uint32_t kUntouched = 0xA5A5A5A5u;

TEST(UnsignedHandlerTest, StoresDecimalNumbersUpTo4294967295)
{
    struct Case {
        const wchar_t *value;
        std::uint32_t stored;
    } cases[] = {
        {L"0", 0},
        {L"7", 7},
        {L"007", 7},
        {L"+7", 7},
        {L" \t7", 7},
        {L"4294967295", 4294967295u},
        {L"0004294967295", 4294967295u},
    };
    for (const Case &c : cases) {
        std::uint32_t destination = kUntouched;
        EXPECT_EQ(argot_unsigned_handler(nullptr, c.value, &destination), ARGOT_ERROR_NONE)
            << "value \"" << c.value << "\"";
        EXPECT_EQ(destination, c.stored) << "value \"" << c.value << "\"";
    }
}

TEST(UnsignedHandlerTest, RejectsMissingMalformedSignedAndTooLargeValuesWithoutStoring)
{
    struct Case {
        const wchar_t *value;
        argot_error code;
    } cases[] = {
        {nullptr, ARGOT_ERROR_VALUE_REQUIRED},
        {L"", ARGOT_ERROR_VALUE_REQUIRED},
        {L"-1", ARGOT_ERROR_INVALID_VALUE},
        {L"-0", ARGOT_ERROR_INVALID_VALUE},
        // A minus sign after white space is still a negative number.
        {L" -1", ARGOT_ERROR_INVALID_VALUE},
        {L"\t-0", ARGOT_ERROR_INVALID_VALUE},
        // The Windows runtime also skips Unicode white space such as U+3000.
        {L"\x3000-1", ARGOT_ERROR_INVALID_VALUE},
        {L" -99999999999999999999", ARGOT_ERROR_INVALID_VALUE},
        {L"12abc", ARGOT_ERROR_INVALID_VALUE},
        {L"0x10", ARGOT_ERROR_INVALID_VALUE},
        {L"abc", ARGOT_ERROR_INVALID_VALUE},
        {L"+", ARGOT_ERROR_INVALID_VALUE},
        {L" ", ARGOT_ERROR_INVALID_VALUE},
        {L"7 ", ARGOT_ERROR_INVALID_VALUE},
        {L"1-", ARGOT_ERROR_INVALID_VALUE},
        {L"+-1", ARGOT_ERROR_INVALID_VALUE},
        {L"99999999999999999999x", ARGOT_ERROR_INVALID_VALUE},
        {L"4294967296", ARGOT_ERROR_VALUE_TOO_LARGE},
        {L"18446744073709551615", ARGOT_ERROR_VALUE_TOO_LARGE},
        {L"18446744073709551616", ARGOT_ERROR_VALUE_TOO_LARGE},
        {L" +99999999999999999999999999", ARGOT_ERROR_VALUE_TOO_LARGE},
    };
    for (const Case &c : cases) {
        std::uint32_t destination = kUntouched;
        EXPECT_EQ(argot_unsigned_handler(nullptr, c.value, &destination), c.code)
            << "value \"" << (c.value != nullptr ? c.value : L"<none>") << "\"";
        EXPECT_EQ(destination, kUntouched);
    }
}

TEST(BoolHandlerTest, AcceptsNoValueOrExactlyZeroOrOne)
{
    struct Case {
        const wchar_t *value;
        bool stored;
    } cases[] = {
        {nullptr, true}, {L"1", true}, {L"01", true}, {L"+1", true}, {L" 1", true},
        {L"0", false},   {L"00", false}, {L" +0", false},
    };
    for (const Case &c : cases) {
        for (bool before : {false, true}) {
            bool destination = before;
            EXPECT_EQ(argot_bool_handler(nullptr, c.value, &destination), ARGOT_ERROR_NONE);
            EXPECT_EQ(destination, c.stored)
                << "value \"" << (c.value != nullptr ? c.value : L"<none>") << "\"";
        }
    }
}

TEST(BoolHandlerTest, RejectsEverythingElseAsInvalidWithoutStoring)
{
    const wchar_t *values[] = {
        L"",   L"2",   L"-1",  L" -1",       L" -0",         L"yes",
        L"true", L"1x", L"1 ", L"0x1", L"4294967297", L"99999999999999999999",
    };
    for (const wchar_t *value : values) {
        for (bool before : {false, true}) {
            bool destination = before;
            EXPECT_EQ(argot_bool_handler(nullptr, value, &destination), ARGOT_ERROR_INVALID_VALUE)
                << "value \"" << value << "\"";
            EXPECT_EQ(destination, before) << "value \"" << value << "\"";
        }
    }
}

TEST(HandlersTest, WithoutDestinationReportMisuseAndInvalidConfiguration)
{
    StderrCapture capture;
    EXPECT_EQ(argot_bool_handler(nullptr, nullptr, nullptr), ARGOT_ERROR_INVALID_CONFIGURATION);
    EXPECT_EQ(argot_unsigned_handler(nullptr, L"1", nullptr), ARGOT_ERROR_INVALID_CONFIGURATION);
    EXPECT_EQ(capture.Finish(), "argot: No handler data specified.\n"
                                "argot: No handler data specified.\n");
}

TEST(HandlersTest, ParserRecordsTheirCodesWithTheOptionNameAndValue)
{
    std::uint32_t count = kUntouched;
    bool quiet = false;
    const argot_option table[] = {
        {L'n', L"count", nullptr, L"N", argot_unsigned_handler, &count, 0},
        {L'q', L"quiet", nullptr, nullptr, argot_bool_handler, &quiet, 0},
        {L'd', L"no-data", nullptr, nullptr, argot_bool_handler, nullptr, 0},
        {},
    };
    struct Case {
        const wchar_t *words;
        argot_error code;
        const wchar_t *name;
        std::optional<std::wstring> value;
    } cases[] = {
        {L"--count 4294967296", ARGOT_ERROR_VALUE_TOO_LARGE, L"--count", L"4294967296"},
        {L"-n=-1", ARGOT_ERROR_INVALID_VALUE, L"-n", L"-1"},
        {L"--count=", ARGOT_ERROR_VALUE_REQUIRED, L"--count", L""},
        {L"--count", ARGOT_ERROR_VALUE_REQUIRED, L"--count", std::nullopt},
        {L"-q=2", ARGOT_ERROR_INVALID_VALUE, L"-q", L"2"},
        {L"--quiet=", ARGOT_ERROR_INVALID_VALUE, L"--quiet", L""},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << "arguments: \"" << c.words << "\"");
        ArgumentList arguments(c.words);
        const ParseOutcome outcome = ParseList(table, arguments);
        EXPECT_EQ(outcome.code, c.code);
        EXPECT_EQ(outcome.name, c.name);
        EXPECT_EQ(outcome.value, c.value);
    }
    EXPECT_EQ(count, kUntouched);
    EXPECT_FALSE(quiet);

    ArgumentList valid(L"-qn 42 --quiet=0 -d");
    StderrCapture capture;
    const ParseOutcome outcome = ParseList(table, valid);
    EXPECT_EQ(capture.Finish(), "argot: No handler data specified.\n");
    EXPECT_EQ(count, 42u);
    EXPECT_FALSE(quiet);
    EXPECT_EQ(outcome.code, ARGOT_ERROR_INVALID_CONFIGURATION);
    EXPECT_EQ(outcome.name, L"-d");
}

} // namespace
