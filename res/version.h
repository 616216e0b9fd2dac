// Version numbers, shared by Hushpad.rc and the C++ code. Plain #defines only:
// this header is read by the resource compilers as well.
#pragma once

#define HUSHPAD_VERSION_MAJOR 1
#define HUSHPAD_VERSION_MINOR 0
#define HUSHPAD_VERSION_PATCH 0
#define HUSHPAD_VERSION_BUILD 0

// The version as the user sees it, and the four-part form of the version record.
#define HUSHPAD_VERSION_TEXT      "1.0"
#define HUSHPAD_FILE_VERSION_TEXT "1.0.0.0"
