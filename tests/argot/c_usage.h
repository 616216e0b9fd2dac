// A caller written in C, to prove the headers serve C as well as C++.
#pragma once

#include <stdbool.h>
#include <stdint.h>
#include <wchar.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef struct c_usage_result {
    bool verbose;
    uint32_t level;
    int rest;           /* index of the first argument left over */
    int code;           /* the context's error code */
    wchar_t message[64];/* its message, truncated */
} c_usage_result;

/* Parses the null-terminated list with a table defined in C. */
void c_usage_parse(const wchar_t **arguments, c_usage_result *result);

#ifdef __cplusplus
} /* extern "C" */
#endif
