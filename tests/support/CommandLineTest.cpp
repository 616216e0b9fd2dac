#include "CommandLine.h"

#include <gtest/gtest.h>

TEST(CommandLineAfterProgram, SkipsTheProgramNameAsTheRuntimeDoes) {
  const struct {
    const wchar_t* commandLine;
    const wchar_t* expected;
  } cases[] = {
      {L"", L""},
      {L"trace.exe", L""},
      {L"trace.exe   ", L""},
      {L"trace.exe Hushpad.exe --manual", L"Hushpad.exe --manual"},
      {L"trace.exe\t\"a b\"  c", L"\"a b\"  c"},
      {L"\"C:\\My Tools\\trace.exe\" x \"y z\"", L"x \"y z\""},
      {L"\"C:\\My Tools\\trace.exe\"x", L"x"},
      {L"\"unterminated quote", L""},
      {L"C:\\a\"b c\"\\trace.exe y", L"c\"\\trace.exe y"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(CommandLineAfterProgram(c.commandLine), c.expected) << c.commandLine;
  }
}
