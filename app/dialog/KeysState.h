#pragma once

#include <windows.h>

#include "app/copies/CopyWishes.h"

// The string ID of a short line that says whether the Windows key is off
// right now, and why, as the copies whose records are at `records`
// (kCopyRecords of them) decide it with the window now in front, and whether
// the key reaches that window all the same (AboveEveryHook).
UINT KeysStateText(void* records) noexcept;
