#include "app/ProgramOptions.h"

#include "argot/argot_handlers.h"

// argot_bool_handler writes its destination as one byte.
static_assert(sizeof(bool) == 1, "the flags must be one byte each");

bool g_helpFlag = false;
bool g_versionFlag = false;
bool g_manualFlag = false;
bool g_treeFlag = false;
bool g_focusFlag = false;
bool g_taskKeysFlag = false;
bool g_fullScreenFlag = false;

const argot_option g_programOptions[] = {
    {L'h', L"help", nullptr, nullptr, argot_bool_handler, &g_helpFlag, ARGOT_ATTR_STOP},
    {L'?', nullptr, nullptr, nullptr, argot_bool_handler, &g_helpFlag, ARGOT_ATTR_STOP},
    {0, L"version", nullptr, nullptr, argot_bool_handler, &g_versionFlag, ARGOT_ATTR_STOP},
    {0, L"manual", nullptr, nullptr, argot_bool_handler, &g_manualFlag, 0},
    {0, L"tree", nullptr, nullptr, argot_bool_handler, &g_treeFlag, 0},
    {0, L"focus", nullptr, nullptr, argot_bool_handler, &g_focusFlag, 0},
    {0, L"task-keys", nullptr, nullptr, argot_bool_handler, &g_taskKeysFlag, 0},
    {0, L"full-screen", nullptr, nullptr, argot_bool_handler, &g_fullScreenFlag, 0},
    {},
};
