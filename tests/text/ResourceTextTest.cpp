#include "text/ResourceText.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

TEST(LoadResourceString, LoadsEntriesOfAnyLengthWhole_AndNothingForAMissingOne) {
  // TestStrings.rc: around the first buffer of 256 units, and beyond twice
  // that; each is the digits 0-9 repeated, then a Z.
  for (UINT length : {254, 255, 600}) {
    std::wstring digits;
    while (digits.size() + 1 < length) digits += static_cast<wchar_t>(L'0' + digits.size() % 10);
    EXPECT_EQ(LoadResourceString(nullptr, 9000 + length), digits + L'Z') << length;
  }
  EXPECT_EQ(LoadResourceString(nullptr, 5), L"");
}
