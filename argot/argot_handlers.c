/* argot's ready-made value handlers. */
#include "argot_handlers.h"
#include "argot_internal.h"

#include <errno.h>
#include <limits.h>
#include <stdbool.h>
#include <stdint.h>
#include <wchar.h>

static const char argot_no_handler_data_text[] = "No handler data specified.";

argot_error argot_unsigned_handler(argot_context* context, const wchar_t* value, void* data) {
  wchar_t* end;
  unsigned long number;
  int conversion_error;
  (void)context;

  if (data == NULL) {
    argot_report_misuse(argot_no_handler_data_text);
    return ARGOT_ERROR_INVALID_CONFIGURATION;
  }
  if (value == NULL || value[0] == L'\0') {
    return ARGOT_ERROR_VALUE_REQUIRED;
  }
  if (value[0] == L'-') {
    return ARGOT_ERROR_INVALID_VALUE;
  }
  errno = 0;
  number = wcstoul(value, &end, 10);
  conversion_error = errno;
  if (end == value || *end != L'\0') {
    return ARGOT_ERROR_INVALID_VALUE;
  }
  /* wcstoul skips leading white space and then accepts a minus sign,
   * negating the result: " -1" would read as ULONG_MAX. No digit, sign or
   * white space is a '-', so any '-' in the converted text is that sign. */
  if (wmemchr(value, L'-', (size_t)(end - value)) != NULL) {
    return ARGOT_ERROR_INVALID_VALUE;
  }
  if (conversion_error == ERANGE) {
    return ARGOT_ERROR_VALUE_TOO_LARGE;
  }
#if ULONG_MAX > UINT32_MAX
  /* Where unsigned long is 64 bits wide, wcstoul reports no ERANGE for the
   * numbers from 2^32 to 2^64 - 1. */
  if (number > UINT32_MAX) {
    return ARGOT_ERROR_VALUE_TOO_LARGE;
  }
#endif
  if (conversion_error != 0) {
    return ARGOT_ERROR_UNKNOWN;
  }
  *(uint32_t*)data = (uint32_t)number;
  return ARGOT_ERROR_NONE;
}

argot_error argot_bool_handler(argot_context* context, const wchar_t* value, void* data) {
  uint32_t number = 0;
  argot_error result;

  if (data == NULL) {
    argot_report_misuse(argot_no_handler_data_text);
    return ARGOT_ERROR_INVALID_CONFIGURATION;
  }
  if (value == NULL) {
    *(bool*)data = true; /* the option stood alone */
    return ARGOT_ERROR_NONE;
  }
  if (value[0] == L'\0') {
    return ARGOT_ERROR_INVALID_VALUE;
  }
  result = argot_unsigned_handler(context, value, &number);
  if (result == ARGOT_ERROR_NONE) {
    if (number > 1) {
      return ARGOT_ERROR_INVALID_VALUE;
    }
    *(bool*)data = number == 1;
    return ARGOT_ERROR_NONE;
  }
  /* Too large for a number is simply not 0 or 1. */
  return result == ARGOT_ERROR_VALUE_TOO_LARGE ? ARGOT_ERROR_INVALID_VALUE : result;
}
