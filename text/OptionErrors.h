#pragma once

#include <windows.h>

#include "argot/argot.h"

// One pair of the option-error table: an option-parser error code and the
// string-table entry of its message. A pair whose messageId is 0 ends a table.
struct OptionErrorMessage {
  argot_error code;
  UINT messageId;
};

// The data of OptionErrorHandler.
struct OptionErrorStrings {
  UINT optionValueFormat;              // entry with %1 option, %2 value
  UINT defaultMessage;                 // entry for codes not in the table; 0: none
  const OptionErrorMessage* messages;  // table ended by messageId 0
  HMODULE module;                      // whose string table; null: the program's
};

// The program's table: codes 1 to 8 mapped to IDS_OPTION_UNKNOWN_ERROR ...
// IDS_OPTION_VALUE_TOO_SMALL, then the end pair.
extern const OptionErrorMessage g_optionErrorMessages[];

// The option parser's error handler (argot_error_handler) for the program's
// string table; data points to an OptionErrorStrings. The option text is the
// name, or "name: value" through optionValueFormat when a value is given; it
// fills %1 of the message chosen for code. Returns the message allocated with
// _wcsdup (free releases it), or null when it comes out empty or cannot be
// made. Never throws.
wchar_t* OptionErrorHandler(argot_error code, const wchar_t* name, const wchar_t* value,
                            void* data) noexcept;
