/* A caller written in C, to prove the headers serve C as well as C++. */
#include "argot/argot.h"
#include "argot/argot_handlers.h"

#include <stdbool.h>
#include <stdlib.h>

bool c_verbose;
uint32_t c_level;

static const argot_option c_options[] = {
    {L'v', L"verbose", L"Report each step.", NULL, argot_bool_handler, &c_verbose, 0},
    {L'l', L"level", L"Detail level.", L"N", argot_unsigned_handler, &c_level, 0},
    {0}};

/* Gives "<name>=<value>" as the message. */
static wchar_t* c_describe(argot_error code, const wchar_t* name, const wchar_t* value,
                           void* data) {
  const size_t name_length = wcslen(name);
  const size_t value_length = value != NULL ? wcslen(value) : 0;
  wchar_t* text = (wchar_t*)malloc((name_length + value_length + 2) * sizeof(wchar_t));
  (void)code;
  (void)data;
  if (text != NULL) {
    wmemcpy(text, name, name_length);
    text[name_length] = L'=';
    wmemcpy(text + name_length + 1, value != NULL ? value : L"", value_length);
    text[name_length + 1 + value_length] = L'\0';
  }
  return text;
}

/* Parses the null-terminated list; the caller destroys the context. */
argot_context* c_parse(const wchar_t** arguments, int* rest) {
  argot_context* context = argot_create_context(c_options);
  argot_install_error_handler(context, c_describe, NULL);
  *rest = (int)(argot_parse_arguments(context, -1, arguments) - arguments);
  return context;
}
