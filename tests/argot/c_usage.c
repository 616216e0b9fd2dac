#include "c_usage.h"

#include "argot/argot.h"
#include "argot/argot_handlers.h"

#include <stdlib.h>

/* Gives "<prefix><name>=<value>", the prefix being the handler data. */
static wchar_t *c_usage_describe(argot_error code, const wchar_t *name,
                                 const wchar_t *value, void *data)
{
    const wchar_t *prefix = (const wchar_t *)data;
    const size_t prefix_length = wcslen(prefix);
    const size_t name_length = wcslen(name);
    const size_t value_length = value != NULL ? wcslen(value) : 0;
    wchar_t *text = (wchar_t *)malloc(
        (prefix_length + name_length + value_length + 2) * sizeof(wchar_t));
    wchar_t *end = text;
    (void)code;
    if (text == NULL) {
        return NULL;
    }
    end = wmemcpy(end, prefix, prefix_length) + prefix_length;
    end = wmemcpy(end, name, name_length) + name_length;
    *end++ = L'=';
    end = wmemcpy(end, value != NULL ? value : L"", value_length) + value_length;
    *end = L'\0';
    return text;
}

void c_usage_parse(const wchar_t **arguments, c_usage_result *result)
{
    static const wchar_t prefix[] = L"C: ";
    const size_t capacity = sizeof result->message / sizeof result->message[0];
    const argot_option options[] = {
        {L'v', L"verbose", L"Report each step.", NULL, argot_bool_handler, &result->verbose, 0},
        {L'l', L"level", L"Detail level.", L"N", argot_unsigned_handler, &result->level, 0},
        {0}
    };
    argot_context *context = argot_create_context(options);
    const wchar_t *message;
    size_t length;
    if (context == NULL) {
        result->code = -1;
        return;
    }
    argot_install_error_handler(context, c_usage_describe, (void *)prefix);
    result->rest = (int)(argot_parse_arguments(context, -1, arguments) - arguments);
    result->code = (int)argot_error_code(context);
    message = argot_error_message(context);
    length = wcslen(message);
    if (length >= capacity) {
        length = capacity - 1;
    }
    wmemcpy(result->message, message, length);
    result->message[length] = L'\0';
    argot_destroy_context(context);
}
