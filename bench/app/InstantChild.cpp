// The benchmark's child: stamps the moment it ends into the shared clock
// record named on its command line, then exits at once.
#include <windows.h>

#include "LaunchClock.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  HANDLE mapping = OpenFileMappingW(FILE_MAP_WRITE, FALSE, kLaunchClockName);
  if (mapping) {
    if (auto* clock = static_cast<LaunchClock*>(
            MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, sizeof(LaunchClock)))) {
      LARGE_INTEGER now;
      QueryPerformanceCounter(&now);
      clock->childEnd = now.QuadPart;
      UnmapViewOfFile(clock);
    }
    CloseHandle(mapping);
  }
  return 0;
}
