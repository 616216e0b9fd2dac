/* argot's ready-made value handlers. Each stores into the variable that the
 * option's handler data points to, and only when it returns 0. */
#pragma once
#ifndef ARGOT_HANDLERS_H
#define ARGOT_HANDLERS_H

#include "argot.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Destination: one byte holding a boolean. No value stores true; "0" or "1"
 * (base 10, as wcstoul reads it) stores false or true; anything else is
 * ARGOT_ERROR_INVALID_VALUE. */
argot_error argot_bool_handler(argot_context* context, const wchar_t* value, void* data);

/* Destination: an unsigned 32-bit integer, 0 to 4294967295 in base 10. */
argot_error argot_unsigned_handler(argot_context* context, const wchar_t* value, void* data);

#ifdef __cplusplus
} /* extern "C" */
#endif

#endif /* ARGOT_HANDLERS_H */
