// The error state, the error handler contract and the misuse lines.
#include "argot_test_support.h"

#include <gtest/gtest.h>

#include <new>
#include <string>

namespace {

int g_accepted = 0;

argot_error AcceptAnything(argot_context*, const wchar_t*, void*) {
  ++g_accepted;
  return ARGOT_ERROR_NONE;
}

const argot_option kTable[] = {
    {L'a', L"alpha", nullptr, nullptr, AcceptAnything, nullptr, 0},
    {L'n', L"no-handler", nullptr, nullptr, nullptr, nullptr, 0},
    {L'm', L"missing", nullptr, L"VALUE", nullptr, nullptr, ARGOT_ATTR_STOP},
    {},
};

std::string MisuseLine(const char* message) { return std::string("argot: ") + message + "\n"; }

TEST(ErrorMessageTest, HandlerIsAskedOnDemandOnceAndItsTextKeptUntilTheNextError) {
  ErrorReport report;
  ArgotContext context(kTable);
  context.InstallErrorHandler(RecordError, &report);
  EXPECT_STREQ(context.ErrorMessage(), L"");

  Parse(context, L"--bogus=7");
  EXPECT_EQ(report.calls, 0) << "asked before the message was wanted";
  const wchar_t* message = context.ErrorMessage();
  EXPECT_STREQ(message, L"error 4");
  EXPECT_EQ(context.ErrorMessage(), message);
  EXPECT_EQ(report.calls, 1);

  // Neither a new handler nor a clean parse discards the error or its text.
  ErrorReport other;
  context.InstallErrorHandler(RecordError, &other);
  EXPECT_EQ(Parse(context, L"-a x"), 1);
  EXPECT_EQ(context.ErrorCode(), ARGOT_ERROR_INVALID_OPTION);
  EXPECT_EQ(context.ErrorMessage(), message);
  EXPECT_EQ(other.calls, 0);

  Parse(context, L"-=");
  EXPECT_STREQ(context.ErrorMessage(), L"error 4");
  EXPECT_EQ(other.calls, 1) << "the new handler and its data are used";
  EXPECT_EQ(other.name, L"-=");
  EXPECT_EQ(report.calls, 1);
}

TEST(ErrorMessageTest, HandlerWithoutTextGivesUnknownErrorAndIsAskedAgain) {
  ErrorReport report;
  report.returnsText = false;
  ArgotContext context(kTable);
  context.InstallErrorHandler(RecordError, &report);
  Parse(context, L"-x");
  EXPECT_STREQ(context.ErrorMessage(), L"Unknown error");
  EXPECT_STREQ(context.ErrorMessage(), L"Unknown error");
  EXPECT_EQ(report.calls, 2);
  report.returnsText = true;
  EXPECT_STREQ(context.ErrorMessage(), L"error 4");

  // Without a handler there is nobody to ask.
  Parse(context, L"-y");
  context.InstallErrorHandler(nullptr, nullptr);
  EXPECT_EQ(context.ErrorCode(), ARGOT_ERROR_INVALID_OPTION);
  EXPECT_STREQ(context.ErrorMessage(), L"Unknown error");
  EXPECT_EQ(report.calls, 3);
}

TEST(MisuseTest, IsReportedOnStderrAndAnsweredWithTheFailureValue) {
  const argot_option equalsShort[] = {
      kTable[0], {L'=', nullptr, nullptr, nullptr, AcceptAnything, nullptr, 0}, {}};
  const argot_option equalsLong[] = {{0, L"name=", nullptr, nullptr, AcceptAnything, nullptr, 0},
                                     {}};
  const std::string noContext = MisuseLine("No argot context specified.");
  const std::string equals =
      MisuseLine("Invalid option list. '=' may not be used in an option name.");
  const struct {
    const argot_option* table;
    std::string line;
  } tables[] = {
      {nullptr, MisuseLine("No option list specified.")},
      {equalsShort, equals},
      {equalsLong, equals},
  };
  for (const auto& c : tables) {
    StderrCapture capture;
    EXPECT_EQ(argot_create_context(c.table), nullptr);
    EXPECT_THROW(ArgotContext context(c.table), std::bad_alloc);
    EXPECT_EQ(capture.Finish(), c.line + c.line);
  }

  const wchar_t* arguments[] = {L"-a", nullptr};
  // "=" after the end record is not part of the table.
  const argot_option afterEnd[] = {{}, {L'=', L"a=b", nullptr, nullptr, nullptr, nullptr, 0}};
  StderrCapture capture;
  argot_destroy_context(argot_create_context(afterEnd));
  argot_destroy_context(nullptr);
  argot_install_error_handler(nullptr, RecordError, nullptr);
  EXPECT_EQ(argot_parse_arguments(nullptr, 1, arguments), arguments);
  EXPECT_EQ(argot_error_code(nullptr), ARGOT_ERROR_INVALID_CONFIGURATION);
  EXPECT_STREQ(argot_error_message(nullptr), L"");
  // No argument list at all is answered before the context is looked at.
  EXPECT_EQ(argot_parse_arguments(nullptr, 1, nullptr), nullptr);
  EXPECT_EQ(capture.Finish(), noContext + noContext + noContext + noContext);
}

TEST(MisuseTest, ParseWithoutErrorHandlerRecordsInvalidConfigurationAndHandlesNothing) {
  g_accepted = 0;
  ArgotContext context(kTable);
  StderrCapture capture;
  EXPECT_EQ(Parse(context, L"-a"), 0);
  EXPECT_EQ(capture.Finish(), MisuseLine("No error handler specified."));
  EXPECT_EQ(g_accepted, 0);
  EXPECT_EQ(context.ErrorCode(), ARGOT_ERROR_INVALID_CONFIGURATION);
  EXPECT_STREQ(context.ErrorMessage(), L"Unknown error");

  // Installed afterwards, the handler sees the recorded error: empty name, no value.
  ErrorReport report;
  context.InstallErrorHandler(RecordError, &report);
  EXPECT_STREQ(context.ErrorMessage(), L"error 2");
  EXPECT_EQ(report.name, L"");
  EXPECT_FALSE(report.value.has_value());
}

TEST(MisuseTest, OptionWithoutHandlerRecordsInvalidConfigurationForThatOption) {
  CheckRows(
      kTable,
      {
          {L"-a --no-handler x", L"", L"rest 2: 2 --no-handler"},
          {L"-na", L"", L"rest 1: 2 -n"},
          {L"--no-handler=1", L"", L"rest 1: 2 --no-handler=1"},
          {L"--missing v x", L"", L"rest 1: 2 --missing=v"},
      },
      [] { return std::wstring(); }, MisuseLine("No option handler specified."));
}

}  // namespace
