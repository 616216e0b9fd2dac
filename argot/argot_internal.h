/* Shared between argot's own source files; not part of the public interface. */
#pragma once

#include <stddef.h>
#include <wchar.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Writes "argot: <message>\n" to stderr for a programming fault of the caller
 * (a missing context, table, handler or handler data). Never stops the
 * process; the calling operation then returns its failure value. */
void argot_report_misuse(const char* message);

/* Heap copy of text up to its first NUL, at most length code units, always
 * NUL-terminated, released with free(). Null when memory runs out or the size
 * would overflow. */
wchar_t* argot_copy_string_n(const wchar_t* text, size_t length);

/* Heap copy of the whole NUL-terminated text, as argot_copy_string_n. */
wchar_t* argot_copy_string(const wchar_t* text);

#ifdef __cplusplus
} /* extern "C" */
#endif
