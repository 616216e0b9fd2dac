// IdleWaiter: a program that does nothing but wait, the baseline of
// ResidentCost. It has a message queue, as Hushpad has, and never wakes.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) DispatchMessageW(&message);
  return 0;
}
