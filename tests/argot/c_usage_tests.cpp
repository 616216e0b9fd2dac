#include "c_usage.h"

#include <gtest/gtest.h>

namespace {

TEST(CUsageTest, TableAndHandlersWorkFromC)
{
    const wchar_t *good[] = {L"-v", L"--level=3", L"file", nullptr};
    c_usage_result result = {};
    c_usage_parse(good, &result);
    EXPECT_TRUE(result.verbose);
    EXPECT_EQ(result.level, 3u);
    EXPECT_EQ(result.rest, 2);
    EXPECT_EQ(result.code, 0);
    EXPECT_STREQ(result.message, L"");

    const wchar_t *bad[] = {L"-l", L"-5", L"file", nullptr};
    result = {};
    c_usage_parse(bad, &result);
    EXPECT_EQ(result.level, 0u);
    EXPECT_EQ(result.rest, 1);
    EXPECT_EQ(result.code, 6);
    EXPECT_STREQ(result.message, L"C: -l=-5");
}

} // namespace
