// What a user pays for running a program through Hushpad:
//   launch overhead  the wall time of `Hushpad.exe CHILD` against running
//                    CHILD directly, for a child that exits at once;
//   exit latency     from the child's last moment to Hushpad's exit, against
//                    the same span for the child run directly (the floor:
//                    process teardown and the wake-up of the waiting thread).
// The two set-ups alternate round by round, the first of each round swapped
// every time, so the machine's load falls on both alike.
//
// LaunchBenchmark [ROUNDS]   (default 30)
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

#include "LaunchClock.h"

namespace {

double g_ticksPerMs = 0;

long long Now() {
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  return now.QuadPart;
}

std::wstring Sibling(const wchar_t *relative) {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring folder(path);
  return folder.substr(0, folder.find_last_of(L"\\/") + 1) + relative;
}

struct Sample {
  double totalMs;
  double exitMs;
};

// Runs the command line and waits for its process to end.
bool Run(std::wstring commandLine, volatile LaunchClock *clock, Sample &sample) {
  clock->childEnd = 0;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  const long long start = Now();
  if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &process)) {
    std::fwprintf(stderr, L"cannot start %ls: error %lu\n", commandLine.c_str(), GetLastError());
    return false;
  }
  WaitForSingleObject(process.hProcess, INFINITE);
  const long long end = Now();
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  if (clock->childEnd == 0) {
    std::fwprintf(stderr, L"the child did not run: %ls\n", commandLine.c_str());
    return false;
  }
  sample.totalMs = static_cast<double>(end - start) / g_ticksPerMs;
  sample.exitMs = static_cast<double>(end - clock->childEnd) / g_ticksPerMs;
  return true;
}

double Percentile(std::vector<double> values, double fraction) {
  std::sort(values.begin(), values.end());
  const size_t index = static_cast<size_t>(fraction * static_cast<double>(values.size() - 1) + 0.5);
  return values[index];
}

void Report(const wchar_t *name, const std::vector<double> &values) {
  std::wprintf(L"  %-22ls median %8.2f ms   p10 %8.2f   p90 %8.2f\n", name,
               Percentile(values, 0.5), Percentile(values, 0.1), Percentile(values, 0.9));
}

}  // namespace

int wmain(int argc, wchar_t **argv) {
  const int rounds = argc > 1 ? std::max(1, _wtoi(argv[1])) : 30;
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  g_ticksPerMs = static_cast<double>(frequency.QuadPart) / 1000.0;

  HANDLE mapping = CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                      sizeof(LaunchClock), kLaunchClockName);
  if (!mapping) return 1;
  auto *clock = static_cast<volatile LaunchClock *>(
      MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, sizeof(LaunchClock)));
  if (!clock) return 1;

  const std::wstring child = L"\"" + Sibling(L"InstantChild.exe") + L"\"";
  const std::wstring hushpad = L"\"" + Sibling(L"..\\..\\app\\Hushpad.exe") + L"\" " + child;

  std::vector<double> directTotal, hushpadTotal, directExit, hushpadExit;
  Sample sample{};
  // One unmeasured round of each warms the file cache.
  if (!Run(child, clock, sample) || !Run(hushpad, clock, sample)) return 1;
  for (int round = 0; round < rounds; ++round) {
    for (int turn = 0; turn < 2; ++turn) {
      const bool viaHushpad = (turn == 0) == (round % 2 == 0);
      if (!Run(viaHushpad ? hushpad : child, clock, sample)) return 1;
      (viaHushpad ? hushpadTotal : directTotal).push_back(sample.totalMs);
      (viaHushpad ? hushpadExit : directExit).push_back(sample.exitMs);
    }
  }

  std::wprintf(L"%d rounds, interleaved\nlaunch to end (wall time of the whole run):\n", rounds);
  Report(L"child directly", directTotal);
  Report(L"Hushpad.exe CHILD", hushpadTotal);
  std::wprintf(L"  ratio of medians       %.2f   (overhead %.2f ms)\n",
               Percentile(hushpadTotal, 0.5) / Percentile(directTotal, 0.5),
               Percentile(hushpadTotal, 0.5) - Percentile(directTotal, 0.5));
  std::wprintf(L"child's end to the waiter's wake-up:\n");
  Report(L"child directly", directExit);
  Report(L"Hushpad.exe CHILD", hushpadExit);
  UnmapViewOfFile(const_cast<LaunchClock *>(clock));
  CloseHandle(mapping);
  return 0;
}
