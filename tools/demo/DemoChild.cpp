// A stand-in for a real program in the demo run: no window, no output; it
// just lives long enough for the suppression to be seen.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  Sleep(2000);
  return 0;
}
