#pragma once

#include <cstddef>
#include <string>
#include <vector>

// The command-line form of arguments[first] to the end: each argument quoted
// by QuoteArgument, joined by single spaces, nothing before or after. Empty
// when there is no argument from `first` on.
std::wstring JoinArguments(const std::vector<std::wstring>& arguments, size_t first);
