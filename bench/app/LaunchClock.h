#pragma once

// Shared between the launch benchmark and its child: the child writes the
// performance-counter value of its last moment here.
inline constexpr wchar_t kLaunchClockName[] = L"HushpadLaunchBenchmarkClock";

struct LaunchClock {
  long long childEnd;
};
