#include "text/TextUtil.h"

#include <gtest/gtest.h>

#include <string>

TEST(TrimWhitespace, TrimsTheChosenEnds) {
  const std::wstring text = L" \t\r\n\v\f a b \u3000\r\n";
  const struct {
    std::wstring text;
    unsigned sides;
    std::wstring trimmed;
  } cases[] = {
      {text, TrimLeading | TrimTrailing, L"a b"},
      {text, TrimLeading, L"a b \u3000\r\n"},
      {text, TrimTrailing, L" \t\r\n\v\f a b"},
      {text, 0, text},
      // GetStringTypeW calls U+0085 a space and U+FEFF a blank; the runtime's
      // classification, and so the trimming, does not.
      {L"\u00A0\u0085x\uFEFF\u00A0", TrimLeading | TrimTrailing, L"\u0085x\uFEFF"},
      {L" \r\n\t ", TrimLeading, L""},
      {L" \r\n\t ", TrimTrailing, L""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(TrimWhitespace(c.text, c.sides), c.trimmed)
        << testing::PrintToString(c.text) << " " << c.sides;
  }
}
