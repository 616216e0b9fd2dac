#pragma once

#include <string>

// A command line split after its first token, by the rule the C runtime
// applies to argv[0]: the token ends at the closing quote if it starts with
// one, otherwise at the first space or tab. `first` is the token without its
// quotes; `rest` is everything after it and the blanks that follow, exactly as
// written.
struct CommandLineSplit {
  std::wstring first;
  std::wstring rest;
};
CommandLineSplit SplitFirstToken(const wchar_t* commandLine);
