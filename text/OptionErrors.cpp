#include "text/OptionErrors.h"

#include "res/resource.h"
#include "text/ResourceText.h"

#include <cwchar>
#include <string>
#include <utility>

const OptionErrorMessage g_optionErrorMessages[] = {
    {ARGOT_ERROR_UNKNOWN, IDS_OPTION_UNKNOWN_ERROR},
    {ARGOT_ERROR_INVALID_CONFIGURATION, IDS_OPTION_CONFIGURATION},
    {ARGOT_ERROR_NO_MEMORY, IDS_OPTION_NO_MEMORY},
    {ARGOT_ERROR_INVALID_OPTION, IDS_OPTION_INVALID},
    {ARGOT_ERROR_VALUE_REQUIRED, IDS_OPTION_VALUE_REQUIRED},
    {ARGOT_ERROR_INVALID_VALUE, IDS_OPTION_INVALID_VALUE},
    {ARGOT_ERROR_VALUE_TOO_LARGE, IDS_OPTION_VALUE_TOO_LARGE},
    {ARGOT_ERROR_VALUE_TOO_SMALL, IDS_OPTION_VALUE_TOO_SMALL},
    {ARGOT_ERROR_NONE, 0},
};

namespace {

UINT MessageIdFor(const OptionErrorStrings& strings, argot_error code) {
  if (strings.messages) {
    for (const OptionErrorMessage* entry = strings.messages; entry->messageId != 0; ++entry) {
      if (entry->code == code) {
        return entry->messageId;
      }
    }
  }
  return strings.defaultMessage;
}

}  // namespace

wchar_t* OptionErrorHandler(argot_error code, const wchar_t* name, const wchar_t* value,
                            void* data) noexcept {
  if (!data) {
    return nullptr;
  }
  const OptionErrorStrings& strings = *static_cast<const OptionErrorStrings*>(data);
  try {
    // The parser passes no name when it could not copy it; the message
    // still says what kind of error it was.
    std::wstring optionText = name ? name : L"";
    if (value) {
      std::wstring withValue = FormatResourceMessage(strings.optionValueFormat, strings.module,
                                                     optionText.c_str(), value);
      if (!withValue.empty()) {
        optionText = std::move(withValue);
      }
    }

    const UINT messageId = MessageIdFor(strings, code);
    if (messageId == 0) {
      return nullptr;
    }
    const std::wstring message =
        FormatResourceMessage(messageId, strings.module, optionText.c_str());
    return message.empty() ? nullptr : _wcsdup(message.c_str());
  } catch (...) {
    return nullptr;
  }
}
