// The program's version, the one place where it is written: Hushpad.rc takes
// the version record and the version box's text from here, and CMake the
// project's version (and with it the manifest's and the package's). Plain
// #defines only: this header is read by the resource compilers as well.
#pragma once

#define HUSHPAD_VERSION_MAJOR 1
#define HUSHPAD_VERSION_MINOR 2
#define HUSHPAD_VERSION_PATCH 0
#define HUSHPAD_VERSION_BUILD 0

// The version as the user sees it: "MAJOR.MINOR" or "MAJOR.MINOR.PATCH".
#define HUSHPAD_VERSION_TEXT "1.2"
