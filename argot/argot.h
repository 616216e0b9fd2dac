/* argot: a small command-line option parser working on UTF-16 text.
 *
 * A caller describes its options in a table of argot_option records ended by
 * an all-zero record, creates a context over the table, installs an error
 * handler and parses an argument list. Parsing stops at the first operand and
 * returns a pointer to it; the first failure ends the parse and is kept in the
 * context as a code plus the option name and value, which the error handler
 * turns into a message on request. Misuse of the library is reported as one
 * line "argot: <message>" on stderr; nothing here throws or aborts. */
#pragma once
#ifndef ARGOT_H
#define ARGOT_H

#include <stdint.h>
#include <wchar.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef enum argot_error {
  ARGOT_ERROR_NONE = 0,
  ARGOT_ERROR_UNKNOWN = 1,
  ARGOT_ERROR_INVALID_CONFIGURATION = 2,
  ARGOT_ERROR_NO_MEMORY = 3,
  ARGOT_ERROR_INVALID_OPTION = 4,
  ARGOT_ERROR_VALUE_REQUIRED = 5,
  ARGOT_ERROR_INVALID_VALUE = 6,
  ARGOT_ERROR_VALUE_TOO_LARGE = 7,
  ARGOT_ERROR_VALUE_TOO_SMALL = 8
} argot_error;

/* Option attributes; other bits are carried without effect on parsing. */
#define ARGOT_ATTR_STOP           1u /* parsing stops right after this option */
#define ARGOT_ATTR_OPTIONAL_VALUE 4u /* a value-taking option may stand alone */

typedef struct argot_context argot_context;

/* Called for each option met. value is null when the option stood without a
 * value; otherwise it points into the caller's argument strings. Returns 0 when
 * the value is accepted, else the error to record. */
typedef argot_error (*argot_option_handler)(argot_context* context, const wchar_t* value,
                                            void* data);

/* Turns an error into text allocated so that free() releases it; the context
 * owns the text from then on. May return null (no text). name is the option as
 * written ("--name" or "-c"; empty for a parse without an error handler);
 * value is the text after "=" or the argument taken as the value, or null. */
typedef wchar_t* (*argot_error_handler)(argot_error code, const wchar_t* name, const wchar_t* value,
                                        void* data);

typedef struct argot_option {
  wchar_t short_name;               /* after a single "-"; 0 = none */
  const wchar_t* long_name;         /* after "--"; null = none */
  const wchar_t* description;       /* read only for the end-of-table test */
  const wchar_t* value_description; /* present = the option takes a value */
  argot_option_handler handler;
  void* handler_data;  /* passed unchanged to the handler */
  uint32_t attributes; /* ARGOT_ATTR_* */
} argot_option;

/* Returns a new context over the caller's table (borrowed: it must outlive the
 * context), or null for no table, "=" in a name, or lack of memory. */
argot_context* argot_create_context(const argot_option* options);

/* Frees the context and its error state; null is accepted. */
void argot_destroy_context(argot_context* context);

/* Stores the error handler and its data, replacing earlier ones. A parse
 * needs one. */
void argot_install_error_handler(argot_context* context, argot_error_handler handler, void* data);

/* Parses up to count arguments (-1: up to the first null entry), calling the
 * handler of each option met. Stops at the first argument that is not an
 * option (a null entry, one not starting with "-", or a lone "-"), after "--",
 * after an option with ARGOT_ATTR_STOP, or at the first error, which replaces
 * the context's error state (a clean parse leaves an earlier error in place).
 * Returns a pointer into arguments at the first argument not consumed; null
 * only for null arguments. Without an error handler nothing is parsed and
 * ARGOT_ERROR_INVALID_CONFIGURATION is recorded. */
const wchar_t** argot_parse_arguments(argot_context* context, int count, const wchar_t** arguments);

/* The code of the last recorded error, 0 for none (2 for no context). */
argot_error argot_error_code(const argot_context* context);

/* Text for the current error: empty when there is none, "Unknown error" when
 * the handler gives none. Valid until the next recorded error or the
 * context's destruction; not to be freed by the caller. */
const wchar_t* argot_error_message(argot_context* context);

#ifdef __cplusplus
} /* extern "C" */

#include <cstddef>
#include <new>

/* Owns one argot context for its lifetime. */
class ArgotContext {
 public:
  /* Creates a context over the table, which must outlive this object.
   * Throws std::bad_alloc when no context results: no table, "=" in a name
   * (both also reported on stderr) or lack of memory. */
  explicit ArgotContext(const argot_option* options) : context_(argot_create_context(options)) {
    if (context_ == nullptr) {
      throw std::bad_alloc();
    }
  }

  ~ArgotContext() {
    argot_destroy_context(context_);
    context_ = nullptr;
  }

  ArgotContext(const ArgotContext&) = delete;
  ArgotContext& operator=(const ArgotContext&) = delete;

  void InstallErrorHandler(argot_error_handler handler, void* data) noexcept {
    argot_install_error_handler(context_, handler, data);
  }

  /* Returns the first argument not consumed; see argot_parse_arguments. */
  const wchar_t** Parse(int count, const wchar_t** arguments) noexcept {
    return argot_parse_arguments(context_, count, arguments);
  }

  /* For the vector CommandLineToArgvW gives. */
  wchar_t** Parse(int count, wchar_t** arguments) noexcept {
    return const_cast<wchar_t**>(
        argot_parse_arguments(context_, count, const_cast<const wchar_t**>(arguments)));
  }

  /* A literal null would be ambiguous between the two forms above. */
  const wchar_t** Parse(int count, std::nullptr_t) noexcept {
    return argot_parse_arguments(context_, count, nullptr);
  }

  argot_error ErrorCode() const noexcept { return argot_error_code(context_); }

  /* Valid until the next recorded error or this object's destruction. */
  const wchar_t* ErrorMessage() noexcept { return argot_error_message(context_); }

 private:
  argot_context* context_;
};
#endif /* __cplusplus */

#endif /* ARGOT_H */
