// Helpers shared by argot's tests: argument lists from words, an error
// handler that records what it is given, and a probe option handler.
#pragma once

#include "argot.h"

#include <cstddef>
#include <initializer_list>
#include <optional>
#include <string>
#include <vector>

// An argument vector built from blank-separated words, null-terminated like
// argv. Entries() is the array a parse takes; Count() excludes the null.
class ArgumentList {
public:
    explicit ArgumentList(const std::wstring &words);
    // Words given one by one, for empty words and words with blanks.
    ArgumentList(std::initializer_list<std::wstring> words);
    ArgumentList(const ArgumentList &) = delete;
    ArgumentList &operator=(const ArgumentList &) = delete;

    const wchar_t **Entries() { return pointers_.data(); }
    int Count() const { return static_cast<int>(words_.size()); }

private:
    std::vector<std::wstring> words_;
    std::vector<const wchar_t *> pointers_;
};

// What the error handler was given on its latest call.
struct ErrorReport {
    int calls = 0;
    argot_error code = ARGOT_ERROR_NONE;
    std::wstring name;
    std::optional<std::wstring> value;
    bool returnsText = true;
};

// An argot_error_handler whose data is an ErrorReport. It returns the text
// "error <code>" (heap text) unless returnsText is false.
wchar_t *RecordError(argot_error code, const wchar_t *name, const wchar_t *value, void *data);

// A heap copy that free() releases, as an error handler must return.
wchar_t *HeapCopy(const std::wstring &text);

// The data of ProbeHandler: logs each call as "<label>" or "<label>(<value>)"
// followed by a blank, then answers result (or valueResult when a value was
// given).
struct Probe {
    std::wstring label;
    std::wstring *log = nullptr;
    argot_error result = ARGOT_ERROR_NONE;
    argot_error valueResult = ARGOT_ERROR_NONE;
};
argot_error ProbeHandler(argot_context *context, const wchar_t *value, void *data);

// Everything a caller can observe after one parse with RecordError installed.
struct ParseOutcome {
    std::ptrdiff_t rest = -1; // index of the returned pointer in the list
    argot_error code = ARGOT_ERROR_NONE;
    std::wstring name;        // as given to the error handler (empty for none)
    std::optional<std::wstring> value;
};

// Parses the list over the table (count -2 means the list's own length) and
// collects the outcome, asking for the message only when there is an error.
ParseOutcome ParseList(const argot_option *table, ArgumentList &arguments, int count = -2);
