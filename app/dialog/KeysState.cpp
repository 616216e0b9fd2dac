#include "app/dialog/KeysState.h"

#include "app/copies/ElevatedFront.h"
#include "app/copies/FullScreen.h"
#include "res/resource.h"

UINT KeysStateText(void* records) noexcept {
  const HWND front = GetForegroundWindow();
  if (!SwallowsNewPress(records, PressKind::WindowsKey)) return IDS_KEYS_ON;
  if (AboveEveryHook(front)) return IDS_KEYS_ON_ABOVE_HOOKS;
  return FillsItsMonitor(front) ? IDS_KEYS_OFF_FULL_SCREEN : IDS_KEYS_OFF_OTHER_COPY;
}
