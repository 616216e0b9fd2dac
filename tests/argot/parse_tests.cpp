// The parse as a caller sees it: what is handled, where it stops, and which
// error it records with which option name and value.
#include "argot_test_support.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <optional>
#include <string>

namespace {

struct ParseCase {
    const wchar_t *words;
    const wchar_t *log;       // handler calls, in order
    std::ptrdiff_t rest;      // index of the first argument left to the caller
    argot_error code;
    const wchar_t *name;      // recorded option name ("" when no error)
    const wchar_t *value;     // recorded value, null for none
};

class ParseTest : public testing::Test {
protected:
    std::wstring log_;
    Probe alpha_{L"a", &log_};
    Probe bravo_{L"b", &log_};
    Probe charlie_{L"c", &log_};
    Probe stop_{L"s", &log_};
    Probe fail_{L"f", &log_, ARGOT_ERROR_INVALID_VALUE, ARGOT_ERROR_INVALID_VALUE};
    Probe reject_{L"r", &log_, ARGOT_ERROR_NONE, ARGOT_ERROR_INVALID_VALUE};
    Probe valueless_{L"o", &log_, ARGOT_ERROR_NONE, ARGOT_ERROR_INVALID_VALUE};
    Probe picky_{L"p", &log_, ARGOT_ERROR_INVALID_VALUE, ARGOT_ERROR_INVALID_VALUE};
    Probe duplicate_{L"dup", &log_};
    Probe zulu_{L"z", &log_};

    const argot_option table_[12] = {
        {L'a', L"alpha", L"Plain switch.", nullptr, ProbeHandler, &alpha_, 0},
        {L'b', L"bravo", nullptr, L"VALUE", ProbeHandler, &bravo_, 0},
        {L'c', L"charlie", nullptr, L"VALUE", ProbeHandler, &charlie_, ARGOT_ATTR_OPTIONAL_VALUE},
        {L's', L"stop", nullptr, nullptr, ProbeHandler, &stop_, ARGOT_ATTR_STOP},
        {L'f', L"fail", nullptr, nullptr, ProbeHandler, &fail_, 0},
        {L'r', L"reject", nullptr, L"VALUE", ProbeHandler, &reject_, 0},
        {L'o', L"valueless", nullptr, L"VALUE", ProbeHandler, &valueless_, ARGOT_ATTR_OPTIONAL_VALUE},
        {L'p', L"picky", nullptr, L"VALUE", ProbeHandler, &picky_, ARGOT_ATTR_OPTIONAL_VALUE},
        // Neither name, but a description: an option record, not the end.
        {0, nullptr, L"Unreachable.", nullptr, nullptr, nullptr, 0},
        {L'a', L"alpha", nullptr, nullptr, ProbeHandler, &duplicate_, 0},
        // Bits other than STOP and OPTIONAL_VALUE have no effect.
        {L'z', L"zulu", nullptr, nullptr, ProbeHandler, &zulu_, 2u | 8u | 0x80000000u},
        {},
    };

    void Check(const ParseCase &expected)
    {
        SCOPED_TRACE(testing::Message() << "arguments: \"" << expected.words << "\"");
        log_.clear();
        ArgumentList arguments(expected.words);
        const ParseOutcome outcome = ParseList(table_, arguments);
        EXPECT_EQ(log_, expected.log);
        EXPECT_EQ(outcome.rest, expected.rest);
        EXPECT_EQ(outcome.code, expected.code);
        EXPECT_EQ(outcome.name, expected.name);
        if (expected.value == nullptr) {
            EXPECT_FALSE(outcome.value.has_value()) << "value: " << outcome.value.value_or(L"");
        } else {
            EXPECT_EQ(outcome.value, std::optional<std::wstring>(expected.value));
        }
    }
};

constexpr argot_error kNone = ARGOT_ERROR_NONE;
constexpr argot_error kInvalidOption = ARGOT_ERROR_INVALID_OPTION;
constexpr argot_error kValueRequired = ARGOT_ERROR_VALUE_REQUIRED;
constexpr argot_error kInvalidValue = ARGOT_ERROR_INVALID_VALUE;

TEST_F(ParseTest, StopsAtTheFirstOperandLeavingItUnconsumed)
{
    const ParseCase cases[] = {
        {L"", L"", 0, kNone, L"", nullptr},
        {L"program -a", L"", 0, kNone, L"", nullptr},
        {L"-a program -a", L"a ", 1, kNone, L"", nullptr},
        {L"- -a", L"", 0, kNone, L"", nullptr},
        {L"-a - -a", L"a ", 1, kNone, L"", nullptr},
        {L"-a -- -a", L"a ", 2, kNone, L"", nullptr},
        {L"-- -- x", L"", 1, kNone, L"", nullptr},
        {L"-a -a", L"a a ", 2, kNone, L"", nullptr},
    };
    for (const ParseCase &c : cases) Check(c);
}

TEST_F(ParseTest, StopAttributeEndsTheParseRightAfterItsOption)
{
    const ParseCase cases[] = {
        {L"--stop -a", L"s ", 1, kNone, L"", nullptr},
        {L"--stop=v -a", L"s(v) ", 1, kNone, L"", nullptr},
        {L"-sa -a", L"s ", 1, kNone, L"", nullptr},
        {L"-as -a", L"a s ", 1, kNone, L"", nullptr},
        {L"-a --stop", L"a s ", 2, kNone, L"", nullptr},
        {L"-z -a", L"z a ", 2, kNone, L"", nullptr},
    };
    for (const ParseCase &c : cases) Check(c);
}

TEST_F(ParseTest, LongOptionsTakeValuesAfterEqualsOrFromTheNextArgument)
{
    const ParseCase cases[] = {
        {L"--alpha --bravo v x", L"a b(v) ", 3, kNone, L"", nullptr},
        {L"--bravo=v x", L"b(v) ", 1, kNone, L"", nullptr},
        {L"--bravo= x", L"b() ", 1, kNone, L"", nullptr},
        {L"--bravo=a=b", L"b(a=b) ", 1, kNone, L"", nullptr},
        {L"--bravo -a x", L"b(-a) ", 2, kNone, L"", nullptr},
        {L"--bravo -- x", L"b(--) ", 2, kNone, L"", nullptr},
        // A value given with "=" reaches even an option that takes none.
        {L"--alpha=x", L"a(x) ", 1, kNone, L"", nullptr},
        {L"--bravo", L"", 1, kValueRequired, L"--bravo", nullptr},
        {L"-a --bravo", L"a ", 2, kValueRequired, L"--bravo", nullptr},
    };
    for (const ParseCase &c : cases) Check(c);
}

TEST_F(ParseTest, ShortGroupsGiveTheValueToTheirLastOption)
{
    const ParseCase cases[] = {
        {L"-aa x", L"a a ", 1, kNone, L"", nullptr},
        {L"-ab v x", L"a b(v) ", 2, kNone, L"", nullptr},
        {L"-ab=v x", L"a b(v) ", 1, kNone, L"", nullptr},
        {L"-a=v", L"a(v) ", 1, kNone, L"", nullptr},
        {L"-b=", L"b() ", 1, kNone, L"", nullptr},
        {L"-b -a", L"b(-a) ", 2, kNone, L"", nullptr},
        {L"-ba v", L"", 1, kValueRequired, L"-b", nullptr},
        {L"-ba=v", L"", 1, kValueRequired, L"-b", nullptr},
        {L"-b", L"", 1, kValueRequired, L"-b", nullptr},
        {L"-ac v x", L"a c(v) ", 2, kNone, L"", nullptr},
        {L"-ca x", L"c a ", 1, kNone, L"", nullptr},
    };
    for (const ParseCase &c : cases) Check(c);
}

TEST_F(ParseTest, UnknownOrMalformedOptionsAreInvalidWithTheNameAsWritten)
{
    const ParseCase cases[] = {
        {L"-xa", L"", 1, kInvalidOption, L"-x", nullptr},
        {L"-ax -a", L"a ", 1, kInvalidOption, L"-x", nullptr},
        {L"-x=1", L"", 1, kInvalidOption, L"-x", nullptr},
        {L"--alp", L"", 1, kInvalidOption, L"--alp", nullptr},
        {L"--Alpha", L"", 1, kInvalidOption, L"--Alpha", nullptr},
        {L"--alphabet", L"", 1, kInvalidOption, L"--alphabet", nullptr},
        {L"--bogus=1 x", L"", 1, kInvalidOption, L"--bogus", nullptr},
        {L"---a", L"", 1, kInvalidOption, L"---a", nullptr},
        {L"--=x y", L"", 1, kInvalidOption, L"--=x", nullptr},
        {L"--=", L"", 1, kInvalidOption, L"--=", nullptr},
        {L"-=x", L"", 1, kInvalidOption, L"-=x", nullptr},
        {L"-a -= -a", L"a ", 2, kInvalidOption, L"-=", nullptr},
    };
    for (const ParseCase &c : cases) Check(c);
}

TEST_F(ParseTest, HandlerFailureRecordsItsCodeWithTheValueAndLeavesEarlierOptionsInEffect)
{
    const ParseCase cases[] = {
        {L"--fail x", L"f ", 1, kInvalidValue, L"--fail", nullptr},
        {L"--fail=zz", L"f(zz) ", 1, kInvalidValue, L"--fail", L"zz"},
        {L"-f=zz", L"f(zz) ", 1, kInvalidValue, L"-f", L"zz"},
        {L"-fa", L"f ", 1, kInvalidValue, L"-f", nullptr},
        {L"-af=", L"a f() ", 1, kInvalidValue, L"-f", L""},
        {L"-a --fail -a", L"a f ", 2, kInvalidValue, L"--fail", nullptr},
        // The rejected value argument is not consumed.
        {L"--reject next more", L"r(next) ", 1, kInvalidValue, L"--reject", L"next"},
        {L"-ar next", L"a r(next) ", 1, kInvalidValue, L"-r", L"next"},
    };
    for (const ParseCase &c : cases) Check(c);
}

TEST_F(ParseTest, OptionalValueIsTakenFromTheNextArgumentOnlyWhenTheHandlerAcceptsIt)
{
    const ParseCase cases[] = {
        {L"--charlie", L"c ", 1, kNone, L"", nullptr},
        {L"--charlie v x", L"c(v) ", 2, kNone, L"", nullptr},
        {L"--charlie=", L"c() ", 1, kNone, L"", nullptr},
        {L"--charlie -a", L"c(-a) ", 2, kNone, L"", nullptr},
        // Refused as a value, the next argument is parsed on its own.
        {L"--valueless x", L"o(x) o ", 1, kNone, L"", nullptr},
        {L"--valueless -a", L"o(-a) o a ", 2, kNone, L"", nullptr},
        {L"-o x", L"o(x) o ", 1, kNone, L"", nullptr},
        // A value after "=" is not retried without it.
        {L"--valueless=x", L"o(x) ", 1, kInvalidValue, L"--valueless", L"x"},
        // The retry's result counts, recorded without the refused value.
        {L"--picky next", L"p(next) p ", 1, kInvalidValue, L"--picky", nullptr},
    };
    for (const ParseCase &c : cases) Check(c);
}

TEST_F(ParseTest, TableEndsOnlyAtTheAllZeroRecordAndTheFirstMatchWins)
{
    const ParseCase cases[] = {
        {L"-z", L"z ", 1, kNone, L"", nullptr},
        {L"--zulu", L"z ", 1, kNone, L"", nullptr},
        {L"--alpha -a", L"a a ", 2, kNone, L"", nullptr},
    };
    for (const ParseCase &c : cases) Check(c);
}

TEST_F(ParseTest, CountLimitsTheListAndNullEntriesEndIt)
{
    ErrorReport report;
    ArgotContext context(table_);
    context.InstallErrorHandler(RecordError, &report);

    {
        ArgumentList arguments(L"-a -a x");
        EXPECT_EQ(context.Parse(2, arguments.Entries()), arguments.Entries() + 2);
        EXPECT_EQ(log_, L"a a ");
        EXPECT_EQ(context.Parse(-1, arguments.Entries()), arguments.Entries() + 2);
        EXPECT_EQ(context.Parse(0, arguments.Entries()), arguments.Entries());
        EXPECT_EQ(context.Parse(-7, arguments.Entries()), arguments.Entries());
        EXPECT_EQ(log_, L"a a a a ");
    }
    log_.clear();
    {
        const wchar_t *arguments[] = {L"-a", nullptr, L"-a", nullptr};
        EXPECT_EQ(context.Parse(3, arguments), arguments + 1);
        EXPECT_EQ(context.Parse(-1, arguments), arguments + 1);
        EXPECT_EQ(log_, L"a a ");
        const wchar_t *none[] = {nullptr};
        EXPECT_EQ(context.Parse(-1, none), none);
        EXPECT_EQ(context.Parse(1, none), none);
    }
    EXPECT_EQ(context.ErrorCode(), ARGOT_ERROR_NONE);
    EXPECT_STREQ(context.ErrorMessage(), L"");
    EXPECT_EQ(report.calls, 0);

    // A value beyond the count or a null value entry is missing.
    {
        ArgumentList arguments(L"--bravo v");
        EXPECT_EQ(context.Parse(1, arguments.Entries()), arguments.Entries() + 1);
        EXPECT_EQ(context.ErrorCode(), ARGOT_ERROR_VALUE_REQUIRED);
    }
    {
        const wchar_t *arguments[] = {L"-c", nullptr, L"v"};
        EXPECT_EQ(context.Parse(3, arguments), arguments + 1);
        EXPECT_EQ(log_, L"a a c ");
        const wchar_t *required[] = {L"-ab", nullptr, L"v"};
        EXPECT_EQ(context.Parse(3, required), required + 1);
        EXPECT_EQ(context.ErrorCode(), ARGOT_ERROR_VALUE_REQUIRED);
        EXPECT_STREQ(context.ErrorMessage(), L"error 5");
        EXPECT_EQ(report.name, L"-b");
    }
    EXPECT_EQ(context.Parse(0, nullptr), nullptr);
    EXPECT_EQ(context.Parse(-1, nullptr), nullptr);
}

TEST_F(ParseTest, AnErrorStaysUntilTheNextOneReplacesIt)
{
    ErrorReport report;
    ArgotContext context(table_);
    context.InstallErrorHandler(RecordError, &report);
    ArgumentList unknown(L"-x"), clean(L"-a"), failing(L"--fail=1");

    context.Parse(unknown.Count(), unknown.Entries());
    const wchar_t *first = context.ErrorMessage();
    EXPECT_EQ(report.name, L"-x");

    EXPECT_EQ(context.Parse(clean.Count(), clean.Entries()), clean.Entries() + 1);
    EXPECT_EQ(context.ErrorCode(), ARGOT_ERROR_INVALID_OPTION);
    EXPECT_EQ(context.ErrorMessage(), first);
    EXPECT_EQ(report.calls, 1);

    context.Parse(failing.Count(), failing.Entries());
    EXPECT_EQ(context.ErrorCode(), ARGOT_ERROR_INVALID_VALUE);
    EXPECT_STREQ(context.ErrorMessage(), L"error 6");
    EXPECT_EQ(report.calls, 2);
    EXPECT_EQ(report.name, L"--fail");
    EXPECT_EQ(report.value, std::optional<std::wstring>(L"1"));
}

TEST_F(ParseTest, TakesTheWritableVectorThatCommandLineSplittingGives)
{
    ErrorReport report;
    ArgotContext context(table_);
    context.InstallErrorHandler(RecordError, &report);
    wchar_t option[] = L"-a", operand[] = L"x";
    wchar_t *argv[] = {option, operand, nullptr};
    wchar_t **rest = context.Parse(-1, argv);
    EXPECT_EQ(rest, argv + 1);
    EXPECT_EQ(log_, L"a ");
}

} // namespace
