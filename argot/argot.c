/* argot's core: the context, the parse and the error state. */
#include "argot.h"
#include "argot_internal.h"

#include <limits.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

struct argot_context {
  const argot_option* options; /* the caller's table, borrowed */
  argot_error_handler error_handler;
  void* error_handler_data;
  argot_error error_code;
  wchar_t* error_name; /* heap copies owned by the context */
  wchar_t* error_value;
  wchar_t* error_message; /* the error handler's text, cached */
};

/* Lives for one argot_parse_arguments call. */
typedef struct argot_parse_state {
  argot_context* context;
  const argot_option* option; /* the option under way, or null */
  const wchar_t* value;       /* its value text, or null */
  int value_taken;            /* value is the entry under the cursor */
  const wchar_t** cursor;     /* next argument not yet consumed */
  int remaining;              /* arguments allowed after the current one */
} argot_parse_state;

static const wchar_t argot_empty_text[] = L"";
static const wchar_t argot_unknown_error_text[] = L"Unknown error";
static const char argot_no_context_text[] = "No argot context specified.";

void argot_report_misuse(const char* message) { fprintf(stderr, "argot: %s\n", message); }

wchar_t* argot_copy_string_n(const wchar_t* text, size_t length) {
  size_t count = 0;
  wchar_t* copy;
  while (count < length && text[count] != L'\0') {
    ++count;
  }
  if (count >= SIZE_MAX / sizeof(wchar_t)) {
    return NULL;
  }
  copy = (wchar_t*)malloc((count + 1) * sizeof(wchar_t));
  if (copy == NULL) {
    return NULL;
  }
  memcpy(copy, text, count * sizeof(wchar_t));
  copy[count] = L'\0';
  return copy;
}

wchar_t* argot_copy_string(const wchar_t* text) { return argot_copy_string_n(text, SIZE_MAX); }

static int argot_is_end_record(const argot_option* option) {
  return option->short_name == 0 && option->long_name == NULL && option->description == NULL &&
         option->value_description == NULL && option->handler == NULL &&
         option->handler_data == NULL && option->attributes == 0;
}

static int argot_has_attribute(const argot_option* option, uint32_t attribute) {
  return (option->attributes & attribute) != 0;
}

/* Replaces the error state. A copy that cannot be allocated stays null; the
 * code is recorded all the same. */
static void argot_record_error(argot_context* context, argot_error code, const wchar_t* name,
                               size_t name_length, const wchar_t* value) {
  context->error_code = code;
  free(context->error_name);
  free(context->error_value);
  free(context->error_message);
  context->error_name = argot_copy_string_n(name, name_length);
  context->error_value = value != NULL ? argot_copy_string(value) : NULL;
  context->error_message = NULL;
}

static void argot_record_short_error(argot_context* context, argot_error code, wchar_t short_name,
                                     const wchar_t* value) {
  const wchar_t name[] = {L'-', short_name, L'\0'};
  argot_record_error(context, code, name, 2, value);
}

static const argot_option* argot_find_long_option(const argot_option* options, const wchar_t* name,
                                                  size_t length) {
  for (; !argot_is_end_record(options); ++options) {
    /* wcsncmp stops at the record's NUL; the length test then rejects
     * both abbreviations and longer names. */
    if (options->long_name != NULL && wcsncmp(options->long_name, name, length) == 0 &&
        options->long_name[length] == L'\0') {
      return options;
    }
  }
  return NULL;
}

static const argot_option* argot_find_short_option(const argot_option* options,
                                                   wchar_t short_name) {
  if (short_name == 0) {
    return NULL;
  }
  for (; !argot_is_end_record(options); ++options) {
    if (options->short_name == short_name) {
      return options;
    }
  }
  return NULL;
}

static argot_error argot_invoke_handler(argot_context* context, const argot_option* option,
                                        const wchar_t* value) {
  if (option->handler == NULL) {
    argot_report_misuse("No option handler specified.");
    return ARGOT_ERROR_INVALID_CONFIGURATION;
  }
  return option->handler(context, value, option->handler_data);
}

/* Runs the current option's handler, taking its value from the next argument
 * when it needs one and has none yet. The taken argument is consumed only on
 * success. */
static argot_error argot_apply_option(argot_parse_state* state) {
  const argot_option* option = state->option;
  const int optional = argot_has_attribute(option, ARGOT_ATTR_OPTIONAL_VALUE);
  argot_error result;

  state->value_taken = 0;
  if (option->value_description != NULL && state->value == NULL) {
    if (state->remaining > 0 && *state->cursor != NULL) {
      state->value = *state->cursor;
      state->value_taken = 1;
    } else if (!optional) {
      return ARGOT_ERROR_VALUE_REQUIRED;
    }
  }

  result = argot_invoke_handler(state->context, option, state->value);
  if (result != ARGOT_ERROR_NONE && optional && state->value_taken) {
    /* The next argument was not this option's value after all. */
    state->value = NULL;
    state->value_taken = 0;
    result = argot_invoke_handler(state->context, option, NULL);
  }
  if (result != ARGOT_ERROR_NONE) {
    return result;
  }
  if (state->value_taken) {
    ++state->cursor;
    --state->remaining;
  }
  return ARGOT_ERROR_NONE;
}

/* Handles one consumed "--..." argument. Returns nonzero to go on parsing. */
static int argot_parse_long_option(argot_parse_state* state, const wchar_t* argument) {
  argot_context* context = state->context;
  const wchar_t* name = argument + 2;
  const wchar_t* equals;
  size_t name_length;
  argot_error result;

  if (name[0] == L'\0') {
    return 0; /* "--" ends the options */
  }
  if (name[0] == L'=') {
    argot_record_error(context, ARGOT_ERROR_INVALID_OPTION, argument, wcslen(argument), NULL);
    return 0;
  }
  equals = wcschr(name, L'=');
  if (equals != NULL) {
    name_length = (size_t)(equals - name);
    state->value = equals + 1;
  } else {
    name_length = wcslen(name);
  }

  state->option = argot_find_long_option(context->options, name, name_length);
  if (state->option == NULL) {
    argot_record_error(context, ARGOT_ERROR_INVALID_OPTION, argument, name_length + 2, NULL);
    return 0;
  }
  result = argot_apply_option(state);
  if (result != ARGOT_ERROR_NONE) {
    argot_record_error(context, result, argument, name_length + 2, state->value);
    return 0;
  }
  return !argot_has_attribute(state->option, ARGOT_ATTR_STOP);
}

/* Handles one consumed "-..." group of short options, the value after "="
 * (or in the next argument) belonging to the last one. Returns nonzero to go
 * on parsing. */
static int argot_parse_short_group(argot_parse_state* state, const wchar_t* argument) {
  argot_context* context = state->context;
  const wchar_t* group = argument + 1;
  const wchar_t* group_end;
  const wchar_t* character;

  if (group[0] == L'=') {
    argot_record_error(context, ARGOT_ERROR_INVALID_OPTION, argument, wcslen(argument), NULL);
    return 0;
  }
  group_end = wcschr(group, L'=');
  if (group_end != NULL) {
    state->value = group_end + 1;
  } else {
    group_end = group + wcslen(group);
  }

  for (character = group; character != group_end; ++character) {
    argot_error result;
    const argot_option* option = argot_find_short_option(context->options, *character);
    if (option == NULL) {
      argot_record_short_error(context, ARGOT_ERROR_INVALID_OPTION, *character, NULL);
      return 0;
    }
    state->option = option;
    if (character + 1 == group_end) {
      result = argot_apply_option(state);
      if (result != ARGOT_ERROR_NONE) {
        argot_record_short_error(context, result, *character, state->value);
        return 0;
      }
    } else {
      if (option->value_description != NULL &&
          !argot_has_attribute(option, ARGOT_ATTR_OPTIONAL_VALUE)) {
        argot_record_short_error(context, ARGOT_ERROR_VALUE_REQUIRED, *character, NULL);
        return 0;
      }
      result = argot_invoke_handler(context, option, NULL);
      if (result != ARGOT_ERROR_NONE) {
        argot_record_short_error(context, result, *character, NULL);
        return 0;
      }
    }
    if (argot_has_attribute(option, ARGOT_ATTR_STOP)) {
      return 0; /* the rest of the group stays unread */
    }
  }
  return 1;
}

argot_context* argot_create_context(const argot_option* options) {
  argot_context* context;
  const argot_option* option;

  if (options == NULL) {
    argot_report_misuse("No option list specified.");
    return NULL;
  }
  context = (argot_context*)malloc(sizeof *context);
  if (context == NULL) {
    return NULL;
  }
  context->options = options;
  context->error_handler = NULL;
  context->error_handler_data = NULL;
  context->error_code = ARGOT_ERROR_NONE;
  context->error_name = NULL;
  context->error_value = NULL;
  context->error_message = NULL;

  /* "=" separates a name from its value, so it cannot be part of one. */
  for (option = options; !argot_is_end_record(option); ++option) {
    if (option->short_name == L'=' ||
        (option->long_name != NULL && wcschr(option->long_name, L'=') != NULL)) {
      argot_report_misuse("Invalid option list. '=' may not be used in an option name.");
      free(context);
      return NULL;
    }
  }
  return context;
}

void argot_destroy_context(argot_context* context) {
  if (context == NULL) {
    return;
  }
  free(context->error_name);
  free(context->error_value);
  free(context->error_message);
  free(context);
}

void argot_install_error_handler(argot_context* context, argot_error_handler handler, void* data) {
  if (context == NULL) {
    argot_report_misuse(argot_no_context_text);
    return;
  }
  context->error_handler = handler;
  context->error_handler_data = data;
}

const wchar_t** argot_parse_arguments(argot_context* context, int count,
                                      const wchar_t** arguments) {
  argot_parse_state state;

  if (arguments == NULL) {
    return NULL;
  }
  if (context == NULL) {
    argot_report_misuse(argot_no_context_text);
    return arguments;
  }
  if (context->error_handler == NULL) {
    argot_report_misuse("No error handler specified.");
    argot_record_error(context, ARGOT_ERROR_INVALID_CONFIGURATION, argot_empty_text, 0, NULL);
    return arguments;
  }
  if (count == -1) {
    count = 0;
    while (count < INT_MAX && arguments[count] != NULL) {
      ++count;
    }
  }
  if (count <= 0) {
    return arguments;
  }

  state.context = context;
  state.cursor = arguments;
  state.remaining = count;
  do {
    const wchar_t* argument = *state.cursor;
    int go_on;

    state.option = NULL;
    state.value = NULL;
    state.value_taken = 0;
    --state.remaining;
    /* An operand, or a lone "-" (by convention standard input), ends the
     * options and is left to the caller. */
    if (argument == NULL || argument[0] != L'-' || argument[1] == L'\0') {
      break;
    }
    ++state.cursor;
    if (argument[1] == L'-') {
      go_on = argot_parse_long_option(&state, argument);
    } else {
      go_on = argot_parse_short_group(&state, argument);
    }
    if (!go_on) {
      break;
    }
  } while (state.remaining > 0);
  return state.cursor;
}

argot_error argot_error_code(const argot_context* context) {
  if (context == NULL) {
    argot_report_misuse(argot_no_context_text);
    return ARGOT_ERROR_INVALID_CONFIGURATION;
  }
  return context->error_code;
}

const wchar_t* argot_error_message(argot_context* context) {
  if (context == NULL) {
    argot_report_misuse(argot_no_context_text);
    return argot_empty_text;
  }
  if (context->error_code == ARGOT_ERROR_NONE) {
    return argot_empty_text;
  }
  if (context->error_message == NULL && context->error_handler != NULL) {
    /* A name whose copy failed is handed over as empty text, so that a
     * handler can always format it. */
    context->error_message = context->error_handler(
        context->error_code, context->error_name != NULL ? context->error_name : argot_empty_text,
        context->error_value, context->error_handler_data);
  }
  return context->error_message != NULL ? context->error_message : argot_unknown_error_text;
}
