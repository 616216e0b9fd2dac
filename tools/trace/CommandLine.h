#pragma once

#include <string>

// The part of a command line after the program name, exactly as written:
// the program name ends at the closing quote if it starts with one, otherwise
// at the first space or tab (the rule the C runtime applies to argv[0]); the
// blanks after it are skipped too.
std::wstring CommandLineAfterProgram(const wchar_t* commandLine);
