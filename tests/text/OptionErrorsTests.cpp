#include "res/resource.h"
#include "text/OptionErrors.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <optional>
#include <string>

namespace {

OptionErrorStrings ProgramStrings() {
    return OptionErrorStrings{IDS_OPTION_WITH_VALUE, IDS_OPTION_UNKNOWN_ERROR, g_optionErrorMessages, nullptr};
}

// The handler's message, or nothing when it returns null.
std::optional<std::wstring> Message(int code, const wchar_t *name, const wchar_t *value,
                                    OptionErrorStrings strings = ProgramStrings()) {
    wchar_t *message = OptionErrorHandler(static_cast<argot_error>(code), name, value, &strings);
    if (!message) {
        return std::nullopt;
    }
    std::wstring text(message);
    free(message);
    return text;
}

TEST(OptionErrorHandler, NamesTheOptionAsWritten) {
    EXPECT_EQ(Message(ARGOT_ERROR_INVALID_OPTION, L"--bogus", nullptr), L"Invalid option: --bogus");
    EXPECT_EQ(Message(ARGOT_ERROR_INVALID_OPTION, L"-x", nullptr), L"Invalid option: -x");
    EXPECT_EQ(Message(ARGOT_ERROR_INVALID_OPTION, L"--%1%2", nullptr), L"Invalid option: --%1%2");
}

TEST(OptionErrorHandler, AddsTheValueThroughTheOptionAndValueFormat) {
    EXPECT_EQ(Message(ARGOT_ERROR_INVALID_VALUE, L"--version", L"2"), L"Invalid value for option --version: 2");
    EXPECT_EQ(Message(ARGOT_ERROR_INVALID_VALUE, L"--help", L""), L"Invalid value for option --help: ");
    EXPECT_EQ(Message(ARGOT_ERROR_VALUE_TOO_LARGE, L"--n", L"%2"), L"Value too large for option --n: %2");
}

TEST(OptionErrorHandler, MapsEveryCodeOfTheTable) {
    EXPECT_EQ(Message(1, L"--a", nullptr), L"Unknown error handling option --a");
    EXPECT_EQ(Message(2, L"--a", nullptr), L"Invalid option configuration");
    EXPECT_EQ(Message(3, L"--a", nullptr), L"Insufficient memory");
    EXPECT_EQ(Message(4, L"--a", nullptr), L"Invalid option: --a");
    EXPECT_EQ(Message(5, L"--a", nullptr), L"Value required after option --a");
    EXPECT_EQ(Message(6, L"--a", nullptr), L"Invalid value for option --a");
    EXPECT_EQ(Message(7, L"--a", nullptr), L"Value too large for option --a");
    EXPECT_EQ(Message(8, L"--a", nullptr), L"Value too small for option --a");
}

TEST(OptionErrorHandler, FallsBackToTheDefaultForCodesOutsideTheTable) {
    EXPECT_EQ(Message(0, L"--a", nullptr), L"Unknown error handling option --a");
    EXPECT_EQ(Message(99, L"--a", L"v"), L"Unknown error handling option --a: v");
    OptionErrorStrings noDefault = ProgramStrings();
    noDefault.defaultMessage = 0;
    EXPECT_EQ(Message(99, L"--a", nullptr, noDefault), std::nullopt);
    OptionErrorStrings noTable = ProgramStrings();
    noTable.messages = nullptr;
    EXPECT_EQ(Message(4, L"--a", nullptr, noTable), L"Unknown error handling option --a");
}

TEST(OptionErrorHandler, UsesTheNameAloneWhenTheValueFormatGivesNothing) {
    OptionErrorStrings missingFormat = ProgramStrings();
    missingFormat.optionValueFormat = 5;  // no such entry
    EXPECT_EQ(Message(6, L"--version", L"2", missingFormat), L"Invalid value for option --version");
}

TEST(OptionErrorHandler, ReadsTheRecordsModuleAndReturnsNoneWithoutText) {
    OptionErrorStrings ownModule = ProgramStrings();
    ownModule.module = GetModuleHandleW(nullptr);
    EXPECT_EQ(Message(4, L"-x", nullptr, ownModule), L"Invalid option: -x");

    const OptionErrorMessage missing[] = {{ARGOT_ERROR_INVALID_OPTION, 5}, {ARGOT_ERROR_NONE, 0}};
    OptionErrorStrings missingEntry = ProgramStrings();
    missingEntry.messages = missing;
    EXPECT_EQ(Message(4, L"-x", nullptr, missingEntry), std::nullopt);

    EXPECT_EQ(OptionErrorHandler(ARGOT_ERROR_INVALID_OPTION, L"-x", nullptr, nullptr), nullptr);
    EXPECT_EQ(Message(4, nullptr, nullptr), L"Invalid option: ");
}

} // namespace
