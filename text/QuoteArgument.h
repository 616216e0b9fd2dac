#pragma once

#include <string>

// The command-line form of one argument, such that CommandLineToArgvW and the
// C runtime's argument parsing give the argument back exactly when the forms
// are joined with single spaces (after the program's own name, which the
// system parses by simpler rules).
//
// An argument that contains whitespace (iswspace, so a no-break space too) is
// enclosed in double quotes; every double quote gets a backslash in front; a
// run of backslashes is doubled where it stands right before a double quote,
// its own or the closing one; an empty argument becomes "". Everything else is
// copied unchanged. Allocation failures propagate as std::bad_alloc.
std::wstring QuoteArgument(const std::wstring& argument);
