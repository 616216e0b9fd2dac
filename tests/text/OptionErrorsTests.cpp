#include "res/resource.h"
#include "text/OptionErrors.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <string>

namespace {

const OptionErrorStrings kProgram{IDS_OPTION_WITH_VALUE, IDS_OPTION_UNKNOWN_ERROR,
                                  g_optionErrorMessages, nullptr};

OptionErrorStrings With(UINT optionValueFormat, UINT defaultMessage,
                        const OptionErrorMessage* messages, HMODULE module = nullptr) {
  return {optionValueFormat, defaultMessage, messages, module};
}

TEST(OptionErrorHandler, ComposesTheMessageOfEachCodeWithTheOptionAsWrittenAndItsValue) {
  const OptionErrorMessage missingEntry[] = {{ARGOT_ERROR_INVALID_OPTION, 5},
                                             {ARGOT_ERROR_NONE, 0}};
  const struct {
    int code;
    const wchar_t *name, *value;
    OptionErrorStrings strings;
    const wchar_t* message;  // null: the handler returns none
  } cases[] = {
      {1, L"--a", nullptr, kProgram, L"Unknown error handling option --a"},
      {2, L"--a", nullptr, kProgram, L"Invalid option configuration"},
      {3, L"--a", nullptr, kProgram, L"Insufficient memory"},
      {4, L"--bogus", nullptr, kProgram, L"Invalid option: --bogus"},
      {5, L"--a", nullptr, kProgram, L"Value required after option --a"},
      {6, L"--version", L"2", kProgram, L"Invalid value for option --version: 2"},
      {7, L"--a", nullptr, kProgram, L"Value too large for option --a"},
      {8, L"--a", nullptr, kProgram, L"Value too small for option --a"},
      // Names and values are shown as written, never read as formats.
      {4, L"--%1%2", nullptr, kProgram, L"Invalid option: --%1%2"},
      {7, L"--n", L"%2", kProgram, L"Value too large for option --n: %2"},
      {6, L"--help", L"", kProgram, L"Invalid value for option --help: "},
      {4, nullptr, nullptr, kProgram, L"Invalid option: "},
      // Codes outside the table get the default message, or none.
      {0, L"--a", nullptr, kProgram, L"Unknown error handling option --a"},
      {99, L"--a", L"v", kProgram, L"Unknown error handling option --a: v"},
      {99, L"--a", nullptr, With(IDS_OPTION_WITH_VALUE, 0, g_optionErrorMessages), nullptr},
      {4, L"--a", nullptr, With(IDS_OPTION_WITH_VALUE, IDS_OPTION_UNKNOWN_ERROR, nullptr),
       L"Unknown error handling option --a"},
      // A missing value format leaves the name alone; a missing message gives none.
      {6, L"--version", L"2", With(5, IDS_OPTION_UNKNOWN_ERROR, g_optionErrorMessages),
       L"Invalid value for option --version"},
      {4, L"-x", nullptr, With(IDS_OPTION_WITH_VALUE, IDS_OPTION_UNKNOWN_ERROR, missingEntry),
       nullptr},
      {4, L"-x", nullptr,
       With(IDS_OPTION_WITH_VALUE, IDS_OPTION_UNKNOWN_ERROR, g_optionErrorMessages,
            GetModuleHandleW(nullptr)),
       L"Invalid option: -x"},
  };
  for (auto c : cases) {
    wchar_t* message =
        OptionErrorHandler(static_cast<argot_error>(c.code), c.name, c.value, &c.strings);
    EXPECT_EQ(message ? std::wstring(message) : L"(none)", c.message ? c.message : L"(none)")
        << "code " << c.code << " name " << testing::PrintToString(c.name ? c.name : L"(null)");
    free(message);
  }
  EXPECT_EQ(OptionErrorHandler(ARGOT_ERROR_INVALID_OPTION, L"-x", nullptr, nullptr), nullptr);
}

}  // namespace
