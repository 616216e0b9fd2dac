// The value handlers: what they store, what they reject, and that a rejected
// value leaves the destination as it was.
#include "argot_handlers.h"
#include "ArgotTestSupport.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace {

constexpr std::uint32_t kUntouched = 0xA5A5A5A5u;
constexpr argot_error kNone = ARGOT_ERROR_NONE;
constexpr argot_error kRequired = ARGOT_ERROR_VALUE_REQUIRED;
constexpr argot_error kInvalid = ARGOT_ERROR_INVALID_VALUE;
constexpr argot_error kTooLarge = ARGOT_ERROR_VALUE_TOO_LARGE;

TEST(UnsignedHandler, StoresDecimalNumbersUpTo4294967295AndNothingElse) {
  const struct {
    const wchar_t* value;
    argot_error code;
    std::uint32_t stored;
  } cases[] = {
      {L"0", kNone, 0},
      {L"007", kNone, 7},
      {L"+7", kNone, 7},
      {L" \t7", kNone, 7},
      {L"4294967295", kNone, 4294967295u},
      {nullptr, kRequired, kUntouched},
      {L"", kRequired, kUntouched},
      {L"-1", kInvalid, kUntouched},
      // A minus sign after white space is still a negative number.
      {L" -1", kInvalid, kUntouched},
      // The Windows runtime also skips Unicode white space such as U+3000.
      {L"\x3000-1", kInvalid, kUntouched},
      {L" -99999999999999999999", kInvalid, kUntouched},
      {L"12abc", kInvalid, kUntouched},
      {L" ", kInvalid, kUntouched},
      {L"7 ", kInvalid, kUntouched},
      {L"99999999999999999999x", kInvalid, kUntouched},
      {L"4294967296", kTooLarge, kUntouched},
  };
  for (const auto& c : cases) {
    std::uint32_t destination = kUntouched;
    SCOPED_TRACE(testing::Message() << "value \"" << (c.value ? c.value : L"<none>") << "\"");
    EXPECT_EQ(argot_unsigned_handler(nullptr, c.value, &destination), c.code);
    EXPECT_EQ(destination, c.stored);
  }
}

TEST(BoolHandler, AcceptsNoValueOrExactlyZeroOrOneAndNothingElse) {
  const struct {
    const wchar_t* value;
    argot_error code;
    bool stored;  // when accepted
  } cases[] = {
      {nullptr, kNone, true},    {L"1", kNone, true},
      {L"01", kNone, true},      {L" +1", kNone, true},
      {L"0", kNone, false},      {L"", kInvalid, false},
      {L"2", kInvalid, false},   {L"-1", kInvalid, false},
      {L" -0", kInvalid, false}, {L"yes", kInvalid, false},
      {L"1 ", kInvalid, false},  {L"99999999999999999999", kInvalid, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "value \"" << (c.value ? c.value : L"<none>") << "\"");
    for (bool before : {false, true}) {
      bool destination = before;
      EXPECT_EQ(argot_bool_handler(nullptr, c.value, &destination), c.code);
      EXPECT_EQ(destination, c.code == kNone ? c.stored : before);
    }
  }
}

TEST(Handlers, WithoutDestinationReportMisuseAndInvalidConfiguration) {
  StderrCapture capture;
  EXPECT_EQ(argot_bool_handler(nullptr, nullptr, nullptr), ARGOT_ERROR_INVALID_CONFIGURATION);
  EXPECT_EQ(argot_unsigned_handler(nullptr, L"1", nullptr), ARGOT_ERROR_INVALID_CONFIGURATION);
  EXPECT_EQ(capture.Finish(),
            "argot: No handler data specified.\n"
            "argot: No handler data specified.\n");
}

}  // namespace
