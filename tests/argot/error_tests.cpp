// The error state, the error handler contract and the misuse lines.
#include "argot_test_support.h"
#include "stderr_capture.h"

#include <gtest/gtest.h>

#include <new>
#include <optional>
#include <string>

namespace {

argot_error AcceptAnything(argot_context *, const wchar_t *, void *) { return ARGOT_ERROR_NONE; }

const argot_option kTable[] = {
    {L'a', L"alpha", nullptr, nullptr, AcceptAnything, nullptr, 0},
    {L'n', L"no-handler", nullptr, nullptr, nullptr, nullptr, 0},
    {L'm', L"missing", nullptr, L"VALUE", nullptr, nullptr, ARGOT_ATTR_STOP},
    {},
};

std::string MisuseLine(const char *message) { return std::string("argot: ") + message + "\n"; }

TEST(ErrorMessageTest, IsEmptyWithoutAnErrorAndTheHandlerIsNotAsked)
{
    ErrorReport report;
    ArgotContext context(kTable);
    context.InstallErrorHandler(RecordError, &report);
    EXPECT_EQ(context.ErrorCode(), ARGOT_ERROR_NONE);
    EXPECT_STREQ(context.ErrorMessage(), L"");

    ArgumentList arguments(L"-a --alpha x");
    EXPECT_EQ(context.Parse(arguments.Count(), arguments.Entries()), arguments.Entries() + 2);
    EXPECT_STREQ(context.ErrorMessage(), L"");
    EXPECT_EQ(report.calls, 0);
}

TEST(ErrorMessageTest, HandlerIsAskedOnceAndItsTextIsKeptUntilTheNextError)
{
    ErrorReport report;
    ArgotContext context(kTable);
    context.InstallErrorHandler(RecordError, &report);
    ArgumentList unknown(L"--bogus=7"), invalid(L"-=");

    context.Parse(unknown.Count(), unknown.Entries());
    EXPECT_EQ(report.calls, 0) << "asked before the message was wanted";
    const wchar_t *message = context.ErrorMessage();
    EXPECT_STREQ(message, L"error 4");
    EXPECT_EQ(context.ErrorMessage(), message);
    EXPECT_EQ(context.ErrorMessage(), message);
    EXPECT_EQ(report.calls, 1);
    EXPECT_EQ(report.code, ARGOT_ERROR_INVALID_OPTION);
    EXPECT_EQ(report.name, L"--bogus");
    EXPECT_FALSE(report.value.has_value());

    // Replacing the handler does not discard the text already obtained.
    ErrorReport other;
    context.InstallErrorHandler(RecordError, &other);
    EXPECT_EQ(context.ErrorMessage(), message);
    EXPECT_EQ(other.calls, 0);

    context.Parse(invalid.Count(), invalid.Entries());
    EXPECT_STREQ(context.ErrorMessage(), L"error 4");
    EXPECT_EQ(other.calls, 1) << "the new handler and its data are used";
    EXPECT_EQ(other.name, L"-=");
    EXPECT_EQ(report.calls, 1);
}

TEST(ErrorMessageTest, HandlerWithoutTextGivesUnknownErrorAndIsAskedAgain)
{
    ErrorReport report;
    report.returnsText = false;
    ArgotContext context(kTable);
    context.InstallErrorHandler(RecordError, &report);
    ArgumentList arguments(L"-x");
    context.Parse(arguments.Count(), arguments.Entries());

    EXPECT_STREQ(context.ErrorMessage(), L"Unknown error");
    EXPECT_STREQ(context.ErrorMessage(), L"Unknown error");
    EXPECT_EQ(report.calls, 2);

    report.returnsText = true;
    EXPECT_STREQ(context.ErrorMessage(), L"error 4");
    EXPECT_EQ(report.calls, 3);

    // Without a handler there is nobody to ask.
    ArgumentList again(L"-y");
    context.Parse(again.Count(), again.Entries());
    context.InstallErrorHandler(nullptr, nullptr);
    EXPECT_EQ(context.ErrorCode(), ARGOT_ERROR_INVALID_OPTION);
    EXPECT_STREQ(context.ErrorMessage(), L"Unknown error");
    EXPECT_EQ(report.calls, 3);
}

TEST(MisuseTest, CreatingWithoutATableOrWithEqualsInANameFails)
{
    const argot_option equalsShort[] = {
        {L'a', L"alpha", nullptr, nullptr, AcceptAnything, nullptr, 0},
        {L'=', nullptr, nullptr, nullptr, AcceptAnything, nullptr, 0},
        {},
    };
    const argot_option equalsLong[] = {
        {0, L"name=value", nullptr, nullptr, AcceptAnything, nullptr, 0},
        {},
    };
    const argot_option equalsAtEnd[] = {
        {0, L"name=", nullptr, nullptr, AcceptAnything, nullptr, 0},
        {},
    };
    const std::string invalid =
        MisuseLine("Invalid option list. '=' may not be used in an option name.");

    struct Case {
        const argot_option *table;
        std::string line;
    } cases[] = {
        {nullptr, MisuseLine("No option list specified.")},
        {equalsShort, invalid},
        {equalsLong, invalid},
        {equalsAtEnd, invalid},
    };
    for (const Case &c : cases) {
        {
            StderrCapture capture;
            EXPECT_EQ(argot_create_context(c.table), nullptr);
            EXPECT_EQ(capture.Finish(), c.line);
        }
        StderrCapture capture;
        EXPECT_THROW(ArgotContext context(c.table), std::bad_alloc);
        EXPECT_EQ(capture.Finish(), c.line);
    }

    // "=" after the end record is not part of the table; an empty table is fine.
    const argot_option afterEnd[] = {{}, {L'=', L"a=b", nullptr, nullptr, nullptr, nullptr, 0}};
    StderrCapture capture;
    argot_context *context = argot_create_context(afterEnd);
    EXPECT_NE(context, nullptr);
    argot_destroy_context(context);
    argot_destroy_context(nullptr);
    EXPECT_EQ(capture.Finish(), "");
}

TEST(MisuseTest, OperationsWithoutAContextReportAndReturnTheirFailureValue)
{
    ArgumentList arguments(L"-a");
    StderrCapture capture;
    argot_install_error_handler(nullptr, RecordError, nullptr);
    EXPECT_EQ(argot_parse_arguments(nullptr, 1, arguments.Entries()), arguments.Entries());
    EXPECT_EQ(argot_error_code(nullptr), ARGOT_ERROR_INVALID_CONFIGURATION);
    EXPECT_STREQ(argot_error_message(nullptr), L"");
    // No argument list at all is answered before the context is looked at.
    EXPECT_EQ(argot_parse_arguments(nullptr, 1, nullptr), nullptr);
    const std::string line = MisuseLine("No argot context specified.");
    EXPECT_EQ(capture.Finish(), line + line + line + line);
}

TEST(MisuseTest, ParseWithoutErrorHandlerRecordsInvalidConfigurationAndHandlesNothing)
{
    bool handled = false;
    const argot_option table[] = {
        {L'a', nullptr, nullptr, nullptr,
         [](argot_context *, const wchar_t *, void *data) {
             *static_cast<bool *>(data) = true;
             return ARGOT_ERROR_NONE;
         },
         &handled, 0},
        {},
    };
    ArgotContext context(table);
    ArgumentList arguments(L"-a");
    StderrCapture capture;
    EXPECT_EQ(context.Parse(arguments.Count(), arguments.Entries()), arguments.Entries());
    EXPECT_EQ(capture.Finish(), MisuseLine("No error handler specified."));
    EXPECT_FALSE(handled);
    EXPECT_EQ(context.ErrorCode(), ARGOT_ERROR_INVALID_CONFIGURATION);
    EXPECT_STREQ(context.ErrorMessage(), L"Unknown error");

    // Installed afterwards, the handler sees the recorded error: empty name, no value.
    ErrorReport report;
    context.InstallErrorHandler(RecordError, &report);
    EXPECT_STREQ(context.ErrorMessage(), L"error 2");
    EXPECT_EQ(report.name, L"");
    EXPECT_FALSE(report.value.has_value());
}

TEST(MisuseTest, OptionWithoutHandlerRecordsInvalidConfigurationForThatOption)
{
    struct Case {
        const wchar_t *words;
        std::ptrdiff_t rest;
        const wchar_t *name;
        std::optional<std::wstring> value;
    } cases[] = {
        {L"-a --no-handler x", 2, L"--no-handler", std::nullopt},
        {L"-n x", 1, L"-n", std::nullopt},
        {L"-na", 1, L"-n", std::nullopt},
        {L"--no-handler=1", 1, L"--no-handler", L"1"},
        {L"--missing v x", 1, L"--missing", L"v"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << "arguments: \"" << c.words << "\"");
        ArgumentList arguments(c.words);
        StderrCapture capture;
        const ParseOutcome outcome = ParseList(kTable, arguments);
        EXPECT_EQ(capture.Finish(), MisuseLine("No option handler specified."));
        EXPECT_EQ(outcome.rest, c.rest);
        EXPECT_EQ(outcome.code, ARGOT_ERROR_INVALID_CONFIGURATION);
        EXPECT_EQ(outcome.name, c.name);
        EXPECT_EQ(outcome.value, c.value);
    }
}

} // namespace
