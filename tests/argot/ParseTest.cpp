// The parse as a caller sees it: what is handled, where it stops, and which
// error it records with which option name and value.
#include "argot_handlers.h"
#include "ArgotTestSupport.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <string>
#include <utility>

// Defined in CUsage.c, a caller written in C.
extern "C" bool c_verbose;
extern "C" std::uint32_t c_level;
extern "C" int c_parse(const wchar_t** arguments, argot_error_handler handler, void* data);

namespace {

// Handler data: logs each call to g_calls as "<label>" or "<label>(<value>)"
// and a blank, then answers alone or withValue.
struct Probe {
  const wchar_t* label;
  argot_error alone = ARGOT_ERROR_NONE;
  argot_error withValue = ARGOT_ERROR_NONE;
};

std::wstring g_calls;

argot_error ProbeHandler(argot_context* context, const wchar_t* value, void* data) {
  EXPECT_NE(context, nullptr);
  const Probe& probe = *static_cast<const Probe*>(data);
  g_calls += probe.label;
  if (value != nullptr) {
    g_calls += L"(" + std::wstring(value) + L")";
  }
  g_calls += L" ";
  return value != nullptr ? probe.withValue : probe.alone;
}

constexpr argot_error kInvalid = ARGOT_ERROR_INVALID_VALUE;
Probe g_alpha{L"a"}, g_bravo{L"b"}, g_charlie{L"c"}, g_stop{L"s"}, g_zulu{L"z"}, g_shadowed{L"dup"};
Probe g_valueless{L"o", ARGOT_ERROR_NONE, kInvalid}, g_picky{L"p", kInvalid, kInvalid};
std::uint32_t g_number;

const argot_option kTable[] = {
    {L'a', L"alpha", L"Plain switch.", nullptr, ProbeHandler, &g_alpha, 0},
    {L'b', L"bravo", nullptr, L"VALUE", ProbeHandler, &g_bravo, 0},
    {L'c', L"charlie", nullptr, L"VALUE", ProbeHandler, &g_charlie, ARGOT_ATTR_OPTIONAL_VALUE},
    {L'o', L"valueless", nullptr, L"VALUE", ProbeHandler, &g_valueless, ARGOT_ATTR_OPTIONAL_VALUE},
    {L'p', L"picky", nullptr, L"VALUE", ProbeHandler, &g_picky, ARGOT_ATTR_OPTIONAL_VALUE},
    {L's', L"stop", nullptr, nullptr, ProbeHandler, &g_stop, ARGOT_ATTR_STOP},
    {L'n', L"number", nullptr, L"N", argot_unsigned_handler, &g_number, 0},
    // Neither name, but a description: an option record, not the end.
    {0, nullptr, L"Unreachable.", nullptr, nullptr, nullptr, 0},
    {L'a', L"alpha", nullptr, nullptr, ProbeHandler, &g_shadowed, 0},
    // Bits other than STOP and OPTIONAL_VALUE have no effect.
    {L'z', L"zulu", nullptr, nullptr, ProbeHandler, &g_zulu, 2u | 8u | 0x80000000u},
    {},
};

// Each row's effect is the handler calls it made, in order.
void Check(std::initializer_list<Row> rows) {
  g_calls.clear();
  CheckRows(kTable, rows, [] { return std::exchange(g_calls, std::wstring()); });
}

TEST(Parse, StopsAtTheFirstOperandOrAfterAStopOption) {
  Check({
      {L"", L"", L"rest 0"},
      {L"program -a", L"", L"rest 0"},
      {L"-a program -a", L"a ", L"rest 1"},
      {L"-a - -a", L"a ", L"rest 1"},
      {L"-a -- -a", L"a ", L"rest 2"},
      {L"-- -- x", L"", L"rest 1"},
      {L"--stop -a", L"s ", L"rest 1"},
      {L"-sa -a", L"s ", L"rest 1"},
      {L"-as -a", L"a s ", L"rest 1"},
      // The table ends only at the all-zero record, and the first match wins.
      {L"-z --zulu --alpha -a", L"z z a a ", L"rest 4"},
  });
}

TEST(Parse, ValuesComeAfterEqualsOrFromTheNextArgumentAndGoToAGroupsLastOption) {
  Check({
      {L"--alpha --bravo v x", L"a b(v) ", L"rest 3"},
      {L"--bravo=v x", L"b(v) ", L"rest 1"},
      {L"--bravo= x", L"b() ", L"rest 1"},
      {L"--bravo=a=b", L"b(a=b) ", L"rest 1"},
      {L"--bravo -a x", L"b(-a) ", L"rest 2"},
      // A value given with "=" reaches even an option that takes none.
      {L"--alpha=x", L"a(x) ", L"rest 1"},
      {L"-a --bravo", L"a ", L"rest 2: 5 --bravo"},
      {L"-aa x", L"a a ", L"rest 1"},
      {L"-ab v x", L"a b(v) ", L"rest 2"},
      {L"-b", L"", L"rest 1: 5 -b"},
      {L"-ba v", L"", L"rest 1: 5 -b"},
      {L"-ac v x", L"a c(v) ", L"rest 2"},
  });
}

TEST(Parse, OptionalValueIsTakenFromTheNextArgumentOnlyWhenTheHandlerAcceptsIt) {
  Check({
      {L"--charlie", L"c ", L"rest 1"},
      {L"--charlie v x", L"c(v) ", L"rest 2"},
      // Refused as a value, the next argument is parsed on its own.
      {L"--valueless -a", L"o(-a) o a ", L"rest 2"},
      {L"-o x", L"o(x) o ", L"rest 1"},
      // A value after "=" is not retried without it.
      {L"--valueless=x", L"o(x) ", L"rest 1: 6 --valueless=x"},
      // The retry's result counts, recorded without the refused value.
      {L"-a --picky next -a", L"a p(next) p ", L"rest 2: 6 --picky"},
  });
}

TEST(Parse, UnknownOrMalformedOptionsAreInvalidWithTheNameAsWritten) {
  Check({
      {L"-xa", L"", L"rest 1: 4 -x"},
      {L"-ax -a", L"a ", L"rest 1: 4 -x"},
      {L"--alp", L"", L"rest 1: 4 --alp"},
      {L"--Alpha", L"", L"rest 1: 4 --Alpha"},
      {L"--alphabet", L"", L"rest 1: 4 --alphabet"},
      {L"--bogus=1 x", L"", L"rest 1: 4 --bogus"},
      {L"--=x y", L"", L"rest 1: 4 --=x"},
      {L"-a -= -a", L"a ", L"rest 2: 4 -="},
  });
}

TEST(Parse, HandlerFailureRecordsItsCodeAndValueLeavingTheValueUnconsumed) {
  Check({
      {L"--picky", L"p ", L"rest 1: 6 --picky"},
      {L"--picky=zz", L"p(zz) ", L"rest 1: 6 --picky=zz"},
      {L"-pa", L"p ", L"rest 1: 6 -p"},
      {L"-ap=", L"a p() ", L"rest 1: 6 -p="},
      {L"--number abc more", L"", L"rest 1: 6 --number=abc"},
      {L"-an abc", L"a ", L"rest 1: 6 -n=abc"},
      {L"--number 4294967296", L"", L"rest 1: 7 --number=4294967296"},
      {L"--number=", L"", L"rest 1: 5 --number="},
  });
}

TEST(Parse, CountLimitsTheListAndNullEntriesEndIt) {
  ErrorReport report;
  ArgotContext context(kTable);
  context.InstallErrorHandler(RecordError, &report);
  g_calls.clear();
  const wchar_t* list[] = {L"-a", L"-a", L"x", nullptr};
  EXPECT_EQ(context.Parse(1, list), list + 1);
  EXPECT_EQ(context.Parse(-1, list), list + 2);
  EXPECT_EQ(context.Parse(0, list), list);
  EXPECT_EQ(context.Parse(-7, list), list);
  const wchar_t* gapped[] = {L"-c", nullptr, L"-a", nullptr};
  EXPECT_EQ(context.Parse(3, gapped), gapped + 1);
  EXPECT_EQ(g_calls, L"a a a c ");
  EXPECT_EQ(context.ErrorCode(), ARGOT_ERROR_NONE);
  EXPECT_EQ(context.Parse(-1, nullptr), nullptr);

  // A value beyond the count or in a null entry is missing.
  const wchar_t* counted[] = {L"--bravo", L"v"};
  EXPECT_EQ(context.Parse(1, counted), counted + 1);
  EXPECT_EQ(context.ErrorCode(), ARGOT_ERROR_VALUE_REQUIRED);
  const wchar_t* required[] = {L"-ab", nullptr, L"v"};
  EXPECT_EQ(context.Parse(3, required), required + 1);
  EXPECT_STREQ(context.ErrorMessage(), L"error 5");
  EXPECT_EQ(report.name, L"-b");

  // The writable vector that command-line splitting gives.
  wchar_t option[] = L"-a", operand[] = L"x";
  wchar_t* argv[] = {option, operand, nullptr};
  EXPECT_EQ(context.Parse(-1, argv), argv + 1);
}

TEST(Parse, WorksForACallerWrittenInC) {
  const wchar_t* arguments[] = {L"-v", L"--level=3", L"file", nullptr};
  ErrorReport report;
  EXPECT_EQ(c_parse(arguments, RecordError, &report), 2);
  EXPECT_EQ(report.calls, 0);
  EXPECT_TRUE(c_verbose);
  EXPECT_EQ(c_level, 3u);
}

}  // namespace
