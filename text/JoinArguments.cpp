#include "text/JoinArguments.h"

#include "text/QuoteArgument.h"

std::wstring JoinArguments(const std::vector<std::wstring>& arguments, size_t first) {
  std::wstring joined;
  for (size_t i = first; i < arguments.size(); ++i) {
    if (i != first) joined += L' ';
    joined += QuoteArgument(arguments[i]);
  }
  return joined;
}
