// KeyLatencyBenchmark [ROUNDS [KEYS]]
//
// How much a low-level keyboard hook delays a keystroke, as a window of
// another process sees it: the time from SendInput of a key-down to that
// window's WM_KEYDOWN, measured with eight set-ups in the same run, round
// after round, each round taking KEYS keys per set-up in a shuffled order,
// an ordinary key (A) and Tab in turn:
//   - no hook at all (the floor);
//   - a do-nothing WH_KEYBOARD_LL hook that only calls CallNextHookEx (what
//     any low-level hook costs: the system's round trip to the hook thread);
//   - Hushpad's WindowsKeyHookProc;
//   - the same while a copy with --tree --focus --task-keys runs (FocusScope);
//   - the same while a copy with --full-screen --task-keys runs instead;
// each once on an idle machine and once while two threads keep every core of
// a two-core machine busy. Every hook is installed through KeyboardHook, so
// each runs on a hook thread of its own and is renewed every second, as in
// the program. Prints medians and the ratios of Hushpad's hooks to the
// do-nothing hook.
//
// Then it times what a new press of a Windows key, and a new Alt+Tab, cost
// the hook under that scope (the whole decision, the same without it, and its
// parts), the same under a --full-screen scope, and what one renewal of a hook
// costs.
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

#include "app/copies/CopyWishes.h"
#include "app/copies/FullScreen.h"
#include "app/copies/InstanceNames.h"
#include "KeyLatencyShared.h"
#include "keys/KeyboardHook.h"
#include "text/UniqueHandle.h"

namespace {

enum Hook { kNoHook, kPassThroughHook, kWindowsKeyHook, kFocusHook, kFullScreenHook, kHookCount };
const char* const kHookNames[kHookCount] = {"no hook", "do-nothing hook", "WindowsKeyHookProc",
                                            "... with --focus", "... with --full-screen"};
// The keys taken in turn: an ordinary one, and one the hook judges by the
// press, asking nothing without Alt.
constexpr WORD kKeys[] = {'A', VK_TAB};
const char* const kKeyNames[] = {"A", "Tab"};
constexpr int kSetupCount = 2 * kHookCount;  // each hook idle, then under load
const char* const kLoadNames[2] = {"idle", "2 busy threads"};

// The baseline: the least a low-level hook can do.
LRESULT CALLBACK PassThroughHookProc(int nCode, WPARAM wParam, LPARAM lParam) noexcept {
  return CallNextHookEx(nullptr, nCode, wParam, lParam);
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
  UniqueHandle on_;
  std::atomic<bool> quit_{false};
  std::thread threads_[2];
};

// What a copy with --tree --focus --task-keys leaves for the hook: its record,
// its window and its family's job, in which no process runs. A Windows-key
// press, or an Alt+Tab, with another program's window in front takes the
// longest way through the decision then.
class FocusScope {
 public:
  static constexpr DWORD kProgram = 1;  // no program of the family is in front

  FocusScope() {
    const DWORD self = GetCurrentProcessId();
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = DefWindowProcW;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = kWindowClassName;
    RegisterClassW(&windowClass);
    window_ = CreateWindowExW(0, kWindowClassName, kWindowTitle, 0, 0, 0, 0, 0, HWND_MESSAGE,
                              nullptr, windowClass.hInstance, nullptr);
    job_.reset(CreateJobObjectW(nullptr, FamilyJobName(self, kProgram).text));
    records_[0].want = kWantsKeysOffInFront;
    records_[0].program = kProgram;
    records_[0].family = 1;
    records_[0].taskKeys = 1;
    records_[0].copy = static_cast<LONG>(self);
    fullScreen_[0].want = kWantsKeysOff;
    fullScreen_[0].taskKeys = 1;
    fullScreen_[0].fullScreen = 1;
    fullScreen_[0].copy = static_cast<LONG>(self);
  }
  ~FocusScope() { DestroyWindow(window_); }
  FocusScope(const FocusScope&) = delete;
  FocusScope& operator=(const FocusScope&) = delete;

  bool Ready() const { return window_ && job_; }
  CopyRecord* Records() { return records_; }
  // The record of a copy with --full-screen --task-keys instead.
  CopyRecord* FullScreenRecords() { return fullScreen_; }

 private:
  CopyRecord records_[kCopyRecords] = {};
  CopyRecord fullScreen_[kCopyRecords] = {};
  HWND window_ = nullptr;
  UniqueHandle job_;
};

// Mean microseconds of `count` calls of `call`.
template <typename Call>
double MeanMicroseconds(int count, Call call) {
  LARGE_INTEGER frequency, start, end;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&start);
  for (int i = 0; i < count; ++i) call();
  QueryPerformanceCounter(&end);
  return 1e6 * static_cast<double>(end.QuadPart - start.QuadPart) /
         static_cast<double>(frequency.QuadPart) / count;
}

constexpr int kDecisionCalls = 2000;

// What one new press of a Windows key costs the hook's thread, with the
// window of a program outside every family in front: the whole decision, its
// parts, and the decision without --focus; the same for an Alt+Tab, and for
// one renewal of a hook; in microseconds.
struct DecisionCosts {
  double whole, front, copies, family, withoutFocus, taskKey, taskKeyUnasked, renewal;
  double fullScreen, fills, fullScreenTaskKey;
};

DecisionCosts MeasureDecisionCosts(FocusScope& focus) {
  constexpr int kCalls = kDecisionCalls;
  CopyRecord noFocus[kCopyRecords] = {};
  volatile bool sink = false;
  const auto decision = [&](CopyRecord* records, PressKind kind) {
    return MeanMicroseconds(kCalls, [&] { sink = SwallowsNewPress(records, kind); });
  };
  const double whole = decision(focus.Records(), PressKind::WindowsKey);
  const double fast = decision(noFocus, PressKind::WindowsKey);
  const double front = MeanMicroseconds(kCalls, [] {
    DWORD processId = 0;
    GetWindowThreadProcessId(GetForegroundWindow(), &processId);
  });
  const double copies = MeanMicroseconds(kCalls, [] {
    for (HWND window = nullptr;
         (window = FindWindowExW(HWND_MESSAGE, window, kWindowClassName, kWindowTitle));) {
      DWORD processId = 0;
      GetWindowThreadProcessId(window, &processId);
    }
  });
  const FamilyJobName name(GetCurrentProcessId(), FocusScope::kProgram);
  const double family = MeanMicroseconds(kCalls, [&] {
    UniqueHandle job(OpenJobObjectW(JOB_OBJECT_QUERY, FALSE, name.text));
    JOBOBJECT_BASIC_PROCESS_ID_LIST list{};
    QueryInformationJobObject(job.get(), JobObjectBasicProcessIdList, &list, sizeof list, nullptr);
  });
  // A renewal as the hook thread makes it: a new hook in, the old one out.
  HHOOK hook = SetWindowsHookExW(WH_KEYBOARD_LL, PassThroughHookProc, GetModuleHandleW(nullptr), 0);
  const double renewal = MeanMicroseconds(kCalls, [&] {
    const HHOOK renewed =
        SetWindowsHookExW(WH_KEYBOARD_LL, PassThroughHookProc, GetModuleHandleW(nullptr), 0);
    UnhookWindowsHookEx(hook);
    hook = renewed;
  });
  UnhookWindowsHookEx(hook);
  return {whole,
          front,
          copies,
          family,
          fast,
          decision(focus.Records(), PressKind::TaskKey),
          decision(noFocus, PressKind::TaskKey),
          renewal,
          decision(focus.FullScreenRecords(), PressKind::WindowsKey),
          MeanMicroseconds(kCalls, [&] { sink = FillsItsMonitor(GetForegroundWindow()); }),
          decision(focus.FullScreenRecords(), PressKind::TaskKey)};
}

void PrintDecisionCosts(const DecisionCosts& costs) {
  std::printf("\nOne new press of a Windows key, the hook's decision, microseconds (mean of %d)\n",
              kDecisionCalls);
  std::printf("%-52s %9.1f\n", "with --tree --focus, another program in front", costs.whole);
  std::printf("%-52s %9.1f\n", "  of which: the window in front and its process", costs.front);
  std::printf("%-52s %9.1f\n", "  of which: the copies' windows and their processes", costs.copies);
  std::printf("%-52s %9.1f\n", "  of which: the family's job opened and listed", costs.family);
  std::printf("%-52s %9.1f\n", "without --focus (no copy scopes to focus)", costs.withoutFocus);
  std::printf("%-52s %9.1f\n", "a new Alt+Tab, with --focus --task-keys", costs.taskKey);
  std::printf("%-52s %9.1f\n", "a new Alt+Tab, no copy with --task-keys", costs.taskKeyUnasked);
  std::printf("%-52s %9.1f\n", "with --full-screen, a window with a caption in front",
              costs.fullScreen);
  std::printf("%-52s %9.1f\n", "  of which: whether it fills its monitor", costs.fills);
  std::printf("%-52s %9.1f\n", "a new Alt+Tab, with --full-screen --task-keys",
              costs.fullScreenTaskKey);
  std::printf(
      "\nOne renewal of a hook (SetWindowsHookExW, UnhookWindowsHookEx), microseconds "
      "(mean of %d): %.1f\n",
      kDecisionCalls, costs.renewal);
}

UniqueHandle CreateNamedEvent(const std::wstring& name) {
  return UniqueHandle(CreateEventW(nullptr, FALSE, FALSE, name.c_str()));
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
  UniqueHandle memory(CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                         sizeof(KeyLatencyShared),
                                         KeyLatencyName(self, kSharedMemory).c_str()));
  auto* shared = memory.get() ? static_cast<volatile KeyLatencyShared*>(MapViewOfFile(
                                    memory.get(), FILE_MAP_WRITE, 0, 0, sizeof(KeyLatencyShared)))
                              : nullptr;
  UniqueHandle ready = CreateNamedEvent(KeyLatencyName(self, kReadyEvent));
  UniqueHandle keyDown = CreateNamedEvent(KeyLatencyName(self, kKeyDownEvent));
  UniqueHandle keyUp = CreateNamedEvent(KeyLatencyName(self, kKeyUpEvent));
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
  UniqueHandle targetProcess(created.hProcess);
  UniqueHandle targetThread(created.hThread);
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
  std::vector<double> latencies[kSetupCount][2];  // by set-up, then by key
  FocusScope focus;
  bool failed = !focus.Ready();
  if (failed) std::fprintf(stderr, "cannot set up the --focus scope: error %lu\n", GetLastError());
  {
    CpuLoad load;
    // One keystroke; returns its latency in microseconds, or a negative value
    // if the window did not receive it.
    const auto measure = [&](WORD vk) -> double {
      INPUT down = KeyInput(vk, false);
      INPUT up = KeyInput(vk, true);
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
          failed = !installed.Install(PassThroughHookProc);
        } else if (hook != kNoHook) {
          const NewPressTest test =
              hook == kFocusHook        ? NewPressTest{SwallowsNewPress, focus.Records()}
              : hook == kFullScreenHook ? NewPressTest{SwallowsNewPress, focus.FullScreenRecords()}
                                        : NewPressTest{};
          failed = !installed.Install(WindowsKeyHookProc, test);
        }
        if (failed) {
          std::fprintf(stderr, "cannot install the %s\n", kHookNames[hook]);
          break;
        }
        load.Set(setup >= kHookCount);
        failed = measure('A') < 0;  // a warm-up key after each switch
        for (int key = 0; key < keysPerRound && !failed; ++key) {
          const double latency = measure(kKeys[key % 2]);
          failed = latency < 0;
          latencies[setup][key % 2].push_back(latency);
        }
        load.Set(false);
      }
    }
  }
  DecisionCosts costs{};
  if (!failed) costs = MeasureDecisionCosts(focus);  // with the target's window in front
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
  std::printf("%-20s %-15s %-4s %9s %9s %9s\n", "hook", "load", "key", "median", "p10", "p90");
  for (int setup = 0; setup < kSetupCount; ++setup) {
    for (int key = 0; key < 2; ++key) {
      const std::vector<double>& values = latencies[setup][key];
      std::printf("%-20s %-15s %-4s %9.1f %9.1f %9.1f\n", kHookNames[setup % kHookCount],
                  kLoadNames[setup / kHookCount], kKeyNames[key], Percentile(values, 0.5),
                  Percentile(values, 0.1), Percentile(values, 0.9));
    }
  }
  for (int load = 0; load < 2; ++load) {
    for (int key = 0; key < 2; ++key) {
      const int base = load * kHookCount;
      const auto median = [&](int hook) { return Percentile(latencies[base + hook][key], 0.5); };
      std::printf(
          "\nratio to the do-nothing hook (medians), %s, %s: WindowsKeyHookProc %.3f, "
          "with --focus %.3f, with --full-screen %.3f",
          kLoadNames[load], kKeyNames[key], median(kWindowsKeyHook) / median(kPassThroughHook),
          median(kFocusHook) / median(kPassThroughHook),
          median(kFullScreenHook) / median(kPassThroughHook));
    }
  }
  std::printf("\n");
  PrintDecisionCosts(costs);
  return 0;
}
