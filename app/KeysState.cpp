#include "app/KeysState.h"

#include "app/FullScreen.h"
#include "res/resource.h"

UINT KeysStateText(void* records) noexcept {
  const bool fills = FillsItsMonitor(GetForegroundWindow());
  if (!SwallowsNewPress(records, PressKind::WindowsKey)) return IDS_KEYS_ON;
  return fills ? IDS_KEYS_OFF_FULL_SCREEN : IDS_KEYS_OFF_OTHER_COPY;
}
