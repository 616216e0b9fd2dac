// The program's command-line options and the flags they set.
#pragma once

#include "argot/argot.h"

// Set by -h, --help and -?; by --version; by --manual; by --tree; by --focus;
// by --task-keys; by --full-screen.
// Each also accepts "=0" or "=1". False until the parse writes them.
extern bool g_helpFlag;
extern bool g_versionFlag;
extern bool g_manualFlag;
extern bool g_treeFlag;
extern bool g_focusFlag;
extern bool g_taskKeysFlag;
extern bool g_fullScreenFlag;

// The option table for ArgotContext. Parsing stops after -h, --help, -? and
// --version, so any argument that follows them is left to the caller.
extern const argot_option g_programOptions[];
