#include "CommandLine.h"

CommandLineSplit SplitFirstToken(const wchar_t* commandLine) {
  CommandLineSplit split;
  const wchar_t* p = commandLine;
  if (*p == L'"') {
    const wchar_t* const start = ++p;
    while (*p != L'\0' && *p != L'"') ++p;
    split.first.assign(start, p);
    if (*p == L'"') ++p;
  } else {
    while (*p != L'\0' && *p != L' ' && *p != L'\t') ++p;
    split.first.assign(commandLine, p);
  }
  while (*p == L' ' || *p == L'\t') ++p;
  split.rest = p;
  return split;
}
