// Helpers shared by argot's tests.
#pragma once

#include "argot.h"

#include <functional>
#include <initializer_list>
#include <optional>
#include <string>

// What the error handler was given on its latest call.
struct ErrorReport {
  int calls = 0;
  argot_error code = ARGOT_ERROR_NONE;
  std::wstring name;
  std::optional<std::wstring> value;
  bool returnsText = true;
};

// An argot_error_handler whose data is an ErrorReport. It returns the heap
// text "error <code>" unless returnsText is false.
wchar_t* RecordError(argot_error code, const wchar_t* name, const wchar_t* value, void* data);

// Parses blank-separated words; returns the index of the first argument not
// consumed.
int Parse(ArgotContext& context, const std::wstring& words);

// One parse with RecordError installed: its words, what effect() gives right
// after it, and what a caller sees: "rest <index of the first argument not
// consumed>", then for an error ": <code> <name>" and "=<value>" when a value
// was recorded.
struct Row {
  const wchar_t* words;
  std::wstring effect;
  const wchar_t* result;
};

// Checks each row over the table, each writing stderrText to stderr.
void CheckRows(const argot_option* table, std::initializer_list<Row> rows,
               const std::function<std::wstring()>& effect, const std::string& stderrText = "");

// While alive, file descriptor 2 (and with it the C stderr stream) writes to a
// pipe, which holds a few lines; Finish() puts the stream back and returns
// what was written.
class StderrCapture {
 public:
  StderrCapture();
  ~StderrCapture();
  StderrCapture(const StderrCapture&) = delete;

  std::string Finish();

 private:
  int saved_ = -1;
  int pipe_ = -1;  // its reading end
};
