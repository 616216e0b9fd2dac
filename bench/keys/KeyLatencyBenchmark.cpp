// KeyLatencyBenchmark [ROUNDS [KEYS]]
//
// How much a low-level keyboard hook delays a keystroke, as a window of
// another process sees it: the time from SendInput of a key-down to that
// window's WM_KEYDOWN, measured with six set-ups in the same run, round after
// round, each round taking KEYS keys per set-up in a shuffled order:
//   - no hook at all (the floor);
//   - a do-nothing WH_KEYBOARD_LL hook that only calls CallNextHookEx (what
//     any low-level hook costs: the system's round trip to the hook thread);
//   - Hushpad's WindowsKeyHookProc;
// each once on an idle machine and once while two threads keep every core of
// a two-core machine busy. Both hooks are installed through KeyboardHook, so
// each runs on a hook thread of its own, as in the program. Prints medians
// and the ratios of Hushpad's hook to the do-nothing hook.
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <numeric>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "KeyLatencyShared.h"
#include "keys/KeyboardHook.h"

namespace {

class ScopedHandle {
 public:
  explicit ScopedHandle(HANDLE handle = nullptr) noexcept : handle_(handle) {}
  ~ScopedHandle() {
    if (handle_ != nullptr) CloseHandle(handle_);
  }
  ScopedHandle(const ScopedHandle&) = delete;
  ScopedHandle& operator=(const ScopedHandle&) = delete;
  HANDLE get() const noexcept { return handle_; }

 private:
  HANDLE handle_;
};

enum Hook { kNoHook, kPassThroughHook, kWindowsKeyHook, kHookCount };
const char* const kHookNames[kHookCount] = {"no hook", "do-nothing hook", "WindowsKeyHookProc"};
constexpr int kSetupCount = 2 * kHookCount;  // each hook idle, then under load
const char* const kLoadNames[2] = {"idle", "2 busy threads"};

HHOOK g_passThroughHookHandle = nullptr;

// The baseline: the least a low-level hook can do.
LRESULT CALLBACK PassThroughHookProc(int nCode, WPARAM wParam, LPARAM lParam) noexcept {
  return CallNextHookEx(g_passThroughHookHandle, nCode, wParam, lParam);
}

// Two threads that spin while the load is on, as a game or a build would,
// and sleep on an event while it is off.
class CpuLoad {
 public:
  CpuLoad() : on_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
    for (auto& thread : threads_) {
      thread = std::thread([this] {
        volatile unsigned long long sink = 0;
        while (WaitForSingleObject(on_.get(), INFINITE) == WAIT_OBJECT_0 && !quit_) {
          for (int i = 0; i < 100000; ++i) ++sink;
        }
      });
    }
  }
  ~CpuLoad() {
    quit_ = true;
    SetEvent(on_.get());
    for (auto& thread : threads_) thread.join();
  }
  void Set(bool on) { on ? SetEvent(on_.get()) : ResetEvent(on_.get()); }

 private:
  ScopedHandle on_;
  std::atomic<bool> quit_{false};
  std::thread threads_[2];
};

ScopedHandle CreateNamedEvent(const std::wstring& name) {
  return ScopedHandle(CreateEventW(nullptr, FALSE, FALSE, name.c_str()));
}

INPUT KeyInput(WORD vk, bool up) {
  INPUT input{};
  input.type = INPUT_KEYBOARD;
  input.ki.wVk = vk;
  input.ki.wScan = static_cast<WORD>(MapVirtualKeyW(vk, MAPVK_VK_TO_VSC));
  input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
  return input;
}

double Percentile(std::vector<double> values, double fraction) {
  std::sort(values.begin(), values.end());
  return values[static_cast<size_t>(fraction * static_cast<double>(values.size() - 1) + 0.5)];
}

std::wstring SiblingPath(const wchar_t* fileName) {
  wchar_t path[MAX_PATH];
  const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring own(path, length < MAX_PATH ? length : 0);
  return own.substr(0, own.find_last_of(L"\\/") + 1) + fileName;
}

}  // namespace

int main(int argc, char** argv) {
  const int rounds = argc > 1 ? std::atoi(argv[1]) : 60;
  const int keysPerRound = argc > 2 ? std::atoi(argv[2]) : 40;
  if (rounds <= 0 || keysPerRound <= 0) {
    std::fprintf(stderr, "usage: KeyLatencyBenchmark [ROUNDS [KEYS]]\n");
    return 2;
  }
  const DWORD self = GetCurrentProcessId();
  ScopedHandle memory(CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                         sizeof(KeyLatencyShared),
                                         KeyLatencyName(self, kSharedMemory).c_str()));
  auto* shared = memory.get() ? static_cast<volatile KeyLatencyShared*>(MapViewOfFile(
                                    memory.get(), FILE_MAP_WRITE, 0, 0, sizeof(KeyLatencyShared)))
                              : nullptr;
  ScopedHandle ready = CreateNamedEvent(KeyLatencyName(self, kReadyEvent));
  ScopedHandle keyDown = CreateNamedEvent(KeyLatencyName(self, kKeyDownEvent));
  ScopedHandle keyUp = CreateNamedEvent(KeyLatencyName(self, kKeyUpEvent));
  if (shared == nullptr || !ready.get() || !keyDown.get() || !keyUp.get()) {
    std::fprintf(stderr, "cannot create the shared objects: error %lu\n", GetLastError());
    return 1;
  }

  std::wstring target =
      L"\"" + SiblingPath(L"KeyLatencyTarget.exe") + L"\" " + std::to_wstring(self);
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION created{};
  if (!CreateProcessW(nullptr, target.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &created)) {
    std::fprintf(stderr, "cannot start KeyLatencyTarget.exe: error %lu\n", GetLastError());
    return 1;
  }
  ScopedHandle targetProcess(created.hProcess);
  ScopedHandle targetThread(created.hThread);
  const HANDLE readyOrEnded[] = {ready.get(), targetProcess.get()};
  if (WaitForMultipleObjects(2, readyOrEnded, FALSE, 30000) != WAIT_OBJECT_0) {
    std::fprintf(stderr, "the target window did not come up\n");
    TerminateProcess(targetProcess.get(), 1);
    return 1;
  }
  const HWND window = shared->window;
  SetForegroundWindow(window);

  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  const double microsecondsPerTick = 1e6 / static_cast<double>(frequency.QuadPart);
  std::vector<double> latencies[kSetupCount];
  bool failed = false;
  {
    CpuLoad load;
    // One keystroke; returns its latency in microseconds, or a negative value
    // if the window did not receive it.
    const auto measure = [&]() -> double {
      INPUT down = KeyInput('A', false);
      INPUT up = KeyInput('A', true);
      LARGE_INTEGER sent;
      QueryPerformanceCounter(&sent);
      SendInput(1, &down, sizeof(INPUT));
      if (WaitForSingleObject(keyDown.get(), 2000) != WAIT_OBJECT_0) return -1;
      const LONGLONG received = shared->keyDownTime;
      SendInput(1, &up, sizeof(INPUT));
      if (WaitForSingleObject(keyUp.get(), 2000) != WAIT_OBJECT_0) return -1;
      return static_cast<double>(received - sent.QuadPart) * microsecondsPerTick;
    };
    // A new order every round, so that no set-up always follows the same one.
    std::mt19937 shuffler(20261207);
    int order[kSetupCount];
    std::iota(std::begin(order), std::end(order), 0);
    for (int round = 0; round < rounds && !failed; ++round) {
      std::shuffle(std::begin(order), std::end(order), shuffler);
      for (int step = 0; step < kSetupCount && !failed; ++step) {
        const int setup = order[step];
        const Hook hook = static_cast<Hook>(setup % kHookCount);
        KeyboardHook installed;
        if (hook == kPassThroughHook) {
          g_passThroughHookHandle = installed.Install(PassThroughHookProc);
          failed = g_passThroughHookHandle == nullptr;
        } else if (hook == kWindowsKeyHook) {
          g_keyboardHookHandle = installed.Install(WindowsKeyHookProc);
          failed = g_keyboardHookHandle == nullptr;
        }
        if (failed) {
          std::fprintf(stderr, "cannot install the %s\n", kHookNames[hook]);
          break;
        }
        load.Set(setup >= kHookCount);
        failed = measure() < 0;  // a warm-up key after each switch
        for (int key = 0; key < keysPerRound && !failed; ++key) {
          const double latency = measure();
          failed = latency < 0;
          latencies[setup].push_back(latency);
        }
        load.Set(false);
      }
    }
  }
  PostMessageW(window, WM_CLOSE, 0, 0);
  if (WaitForSingleObject(targetProcess.get(), 5000) != WAIT_OBJECT_0) {
    TerminateProcess(targetProcess.get(), 1);
  }
  UnmapViewOfFile(const_cast<KeyLatencyShared*>(shared));
  if (failed) {
    std::fprintf(stderr,
                 "a keystroke did not reach the target window (is it in the foreground?)\n");
    return 1;
  }

  std::printf("Keystroke latency, SendInput to WM_KEYDOWN in another process, microseconds\n");
  std::printf("%d rounds x %d keys per set-up, set-ups interleaved in shuffled order\n\n", rounds,
              keysPerRound);
  std::printf("%-20s %-15s %9s %9s %9s\n", "hook", "load", "median", "p10", "p90");
  for (int setup = 0; setup < kSetupCount; ++setup) {
    std::printf("%-20s %-15s %9.1f %9.1f %9.1f\n", kHookNames[setup % kHookCount],
                kLoadNames[setup / kHookCount], Percentile(latencies[setup], 0.5),
                Percentile(latencies[setup], 0.1), Percentile(latencies[setup], 0.9));
  }
  for (int load = 0; load < 2; ++load) {
    const int base = load * kHookCount;
    std::printf("\nratio WindowsKeyHookProc / do-nothing hook (medians), %s: %.3f\n",
                kLoadNames[load],
                Percentile(latencies[base + kWindowsKeyHook], 0.5) /
                    Percentile(latencies[base + kPassThroughHook], 0.5));
  }
  return 0;
}
