// What a user pays for running a program through Hushpad:
//   launch overhead  the wall time of `Hushpad.exe CHILD` against running
//                    CHILD directly, for a child that exits at once, and
//                    against BareLauncher.exe CHILD, the least that any GUI
//                    launcher pays (user32 and shell32 loaded, a window);
//   exit latency     from the child's last moment to the end of the run,
//                    against the same span for the child run directly (the
//                    floor: process teardown and the waiter's wake-up).
// The set-ups take turns round by round, in an order that rotates every
// round, so the machine's load falls on all of them alike.
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

std::wstring Sibling(const wchar_t* relative) {
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
bool Run(std::wstring commandLine, volatile LaunchClock* clock, Sample& sample) {
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

void Report(const wchar_t* name, const std::vector<double>& values) {
  std::wprintf(L"  %-24ls median %8.2f ms   p10 %8.2f   p90 %8.2f\n", name, Percentile(values, 0.5),
               Percentile(values, 0.1), Percentile(values, 0.9));
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const int rounds = argc > 1 ? std::max(1, _wtoi(argv[1])) : 30;
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  g_ticksPerMs = static_cast<double>(frequency.QuadPart) / 1000.0;

  HANDLE mapping = CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                      sizeof(LaunchClock), kLaunchClockName);
  if (!mapping) return 1;
  auto* clock = static_cast<volatile LaunchClock*>(
      MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, sizeof(LaunchClock)));
  if (!clock) return 1;

  const std::wstring child = L"\"" + Sibling(L"InstantChild.exe") + L"\"";
  struct SetUp {
    const wchar_t* name;
    std::wstring commandLine;
    std::vector<double> total;
    std::vector<double> exit;
  };
  SetUp setUps[] = {
      {L"child directly", child, {}, {}},
      {L"BareLauncher.exe CHILD", L"\"" + Sibling(L"BareLauncher.exe") + L"\" " + child, {}, {}},
      {L"Hushpad.exe CHILD", L"\"" + Sibling(L"..\\..\\app\\Hushpad.exe") + L"\" " + child, {}, {}},
  };
  constexpr int kSetUps = 3;
  Sample sample{};
  // One unmeasured run of each warms the file cache.
  for (SetUp& setUp : setUps) {
    if (!Run(setUp.commandLine, clock, sample)) return 1;
  }
  for (int round = 0; round < rounds; ++round) {
    for (int turn = 0; turn < kSetUps; ++turn) {
      SetUp& setUp = setUps[(round + turn) % kSetUps];
      if (!Run(setUp.commandLine, clock, sample)) return 1;
      setUp.total.push_back(sample.totalMs);
      setUp.exit.push_back(sample.exitMs);
    }
  }

  const double direct = Percentile(setUps[0].total, 0.5);
  const double bare = Percentile(setUps[1].total, 0.5);
  const double hushpad = Percentile(setUps[2].total, 0.5);
  std::wprintf(L"%d rounds, interleaved\nlaunch to end (wall time of the whole run):\n", rounds);
  for (const SetUp& setUp : setUps) Report(setUp.name, setUp.total);
  std::wprintf(L"  Hushpad / child directly   ratio %.2f   (+%.2f ms)\n", hushpad / direct,
               hushpad - direct);
  std::wprintf(L"  Hushpad / BareLauncher     ratio %.2f   (+%.2f ms)\n", hushpad / bare,
               hushpad - bare);
  std::wprintf(L"child's end to the end of the run:\n");
  for (const SetUp& setUp : setUps) Report(setUp.name, setUp.exit);
  UnmapViewOfFile(const_cast<LaunchClock*>(clock));
  CloseHandle(mapping);
  return 0;
}
