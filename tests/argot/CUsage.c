/* A caller written in C, to prove the headers serve C as well as C++. */
#include "argot/argot.h"
#include "argot/argot_handlers.h"

#include <stdbool.h>

bool c_verbose;
uint32_t c_level;

static const argot_option c_options[] = {
    {L'v', L"verbose", L"Report each step.", NULL, argot_bool_handler, &c_verbose, 0},
    {L'l', L"level", L"Detail level.", L"N", argot_unsigned_handler, &c_level, 0},
    {0}};

/* Parses the null-terminated list with the caller's error handler: how many
 * arguments were consumed. */
int c_parse(const wchar_t** arguments, argot_error_handler handler, void* data) {
  argot_context* context = argot_create_context(c_options);
  argot_install_error_handler(context, handler, data);
  const int consumed = (int)(argot_parse_arguments(context, -1, arguments) - arguments);
  argot_destroy_context(context);
  return consumed;
}
