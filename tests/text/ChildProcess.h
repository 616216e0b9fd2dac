#pragma once

#include <string>
#include <vector>

// Runs TextTestChild (next to the test executable) with "echo" and then
// arguments, a command-line tail, and returns the arguments as the child's C
// runtime split them. Fails the current test (and returns what it got) when
// the child cannot be run.
std::vector<std::wstring> ChildArguments(const std::wstring &arguments);

// Runs TextTestChild "trace" under this process as its debugger and returns
// the debug-output strings it wrote, in order.
std::vector<std::wstring> ChildTraceLines();
