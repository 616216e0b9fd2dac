// The error state, the error handler contract and the misuse lines.
#include "ArgotTestSupport.h"

#include <gtest/gtest.h>

#include <new>
#include <string>
#include <utility>

namespace {

argot_error AcceptAnything(argot_context*, const wchar_t*, void*) { return ARGOT_ERROR_NONE; }

const argot_option kTable[] = {
    {L'a', L"alpha", nullptr, nullptr, AcceptAnything, nullptr, 0},
    {L'n', L"no-handler", nullptr, nullptr, nullptr, nullptr, 0},
    {},
};

std::string MisuseLine(const char* message) { return std::string("argot: ") + message + "\n"; }

TEST(ErrorMessage, HandlerIsAskedOnDemandOnceWhileItGivesText_ElseUnknownError) {
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
  // A clean parse keeps the error and its text.
  EXPECT_EQ(Parse(context, L"-a x"), 1);
  EXPECT_EQ(context.ErrorMessage(), message);

  report.returnsText = false;
  Parse(context, L"-x");
  EXPECT_STREQ(context.ErrorMessage(), L"Unknown error");
  EXPECT_STREQ(context.ErrorMessage(), L"Unknown error");
  EXPECT_EQ(report.calls, 3) << "asked again while it gives no text";
  context.InstallErrorHandler(nullptr, nullptr);
  Parse(context, L"-y");
  EXPECT_STREQ(context.ErrorMessage(), L"Unknown error");
}

TEST(Misuse, IsReportedOnStderrAndAnsweredWithTheFailureValue) {
  const argot_option equalsShort[] = {
      kTable[0], {L'=', nullptr, nullptr, nullptr, AcceptAnything, nullptr, 0}, {}};
  const argot_option equalsLong[] = {{0, L"name=", nullptr, nullptr, AcceptAnything, nullptr, 0},
                                     {}};
  const std::string equals =
      MisuseLine("Invalid option list. '=' may not be used in an option name.");
  for (const auto& [table, line] : {std::pair{static_cast<const argot_option*>(nullptr),
                                              MisuseLine("No option list specified.")},
                                    {equalsShort, equals},
                                    {equalsLong, equals}}) {
    StderrCapture capture;
    EXPECT_EQ(argot_create_context(table), nullptr);
    EXPECT_THROW(ArgotContext context(table), std::bad_alloc);
    EXPECT_EQ(capture.Finish(), line + line);
  }

  const wchar_t* arguments[] = {L"-a", nullptr};
  StderrCapture capture;
  EXPECT_EQ(argot_parse_arguments(nullptr, 1, arguments), arguments);
  EXPECT_EQ(argot_error_code(nullptr), ARGOT_ERROR_INVALID_CONFIGURATION);
  EXPECT_EQ(capture.Finish(),
            MisuseLine("No argot context specified.") + MisuseLine("No argot context specified."));

  // Without an error handler nothing is handled.
  ArgotContext context(kTable);
  StderrCapture noHandler;
  EXPECT_EQ(Parse(context, L"-a"), 0);
  EXPECT_EQ(noHandler.Finish(), MisuseLine("No error handler specified."));
  EXPECT_EQ(context.ErrorCode(), ARGOT_ERROR_INVALID_CONFIGURATION);

  CheckRows(
      kTable,
      {{L"-a --no-handler x", L"", L"rest 2: 2 --no-handler"}, {L"-na", L"", L"rest 1: 2 -n"}},
      [] { return std::wstring(); }, MisuseLine("No option handler specified."));
}

}  // namespace
