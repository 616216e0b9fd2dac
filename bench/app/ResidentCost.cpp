// ResidentCost [SECONDS]
//
// What a copy of Hushpad that stays resident costs while nothing happens:
// starts "Hushpad.exe --manual --full-screen" (no program: the way it runs
// all day) and IdleWaiter.exe, a program that only waits, lets both settle,
// then measures each one's private memory and working set, and the processor
// time it takes over SECONDS (default 60) with nothing happening. Ends both.
#include <windows.h>
#include <psapi.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "res/resource.h"

namespace {

std::wstring SiblingPath(const wchar_t* fileName) {
  wchar_t path[MAX_PATH];
  const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring own(path, length < MAX_PATH ? length : 0);
  return own.substr(0, own.find_last_of(L"\\/") + 1) + fileName;
}

HANDLE Start(std::wstring commandLine) {
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &process)) {
    return nullptr;
  }
  CloseHandle(process.hThread);
  return process.hProcess;
}

double CpuMilliseconds(HANDLE process) {
  FILETIME created, exited, kernel, user;
  GetProcessTimes(process, &created, &exited, &kernel, &user);
  const auto ticks = [](FILETIME time) {
    return static_cast<double>((ULONGLONG{time.dwHighDateTime} << 32) | time.dwLowDateTime);
  };
  return (ticks(kernel) + ticks(user)) / 1e4;
}

struct Reading {
  double privateKb, commitKb, workingSetKb, cpuMs;
};

Reading Read(HANDLE process) {
  PROCESS_MEMORY_COUNTERS_EX memory{};
  memory.cb = sizeof memory;
  GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory), sizeof memory);
  return {memory.PrivateUsage / 1024.0, memory.PagefileUsage / 1024.0,
          memory.WorkingSetSize / 1024.0, CpuMilliseconds(process)};
}

BOOL CALLBACK PressReenable(HWND window, LPARAM processId) {
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (owner == static_cast<DWORD>(processId) && GetDlgItem(window, IDC_REENABLE)) {
    PostMessageW(window, WM_COMMAND, IDC_REENABLE, 0);
  }
  return TRUE;
}

}  // namespace

int main(int argc, char** argv) {
  const int seconds = argc > 1 ? std::atoi(argv[1]) : 60;
  const HANDLE hushpad =
      Start(L"\"" + SiblingPath(L"..\\..\\app\\Hushpad.exe") + L"\" --manual --full-screen");
  const HANDLE waiter = Start(L"\"" + SiblingPath(L"IdleWaiter.exe") + L"\"");
  if (!hushpad || !waiter || seconds <= 0) {
    std::fprintf(stderr, "usage: ResidentCost [SECONDS], in the build folder\n");
    return 1;
  }
  Sleep(5000);  // both settle: the dialog shown, the hook installed
  const Reading before[2] = {Read(hushpad), Read(waiter)};
  Sleep(static_cast<DWORD>(seconds) * 1000);
  const Reading after[2] = {Read(hushpad), Read(waiter)};
  std::printf(
      "Resident and idle for %d s: memory at the end (KB: private bytes, commit charge, working "
      "set), processor time over the %d s (ms)\n\n",
      seconds, seconds);
  std::printf("%-32s %8s %8s %12s %8s\n", "program", "private", "commit", "working set", "CPU");
  const char* const names[2] = {"Hushpad --manual --full-screen", "IdleWaiter (only waits)"};
  for (int i = 0; i < 2; ++i) {
    std::printf("%-32s %8.0f %8.0f %12.0f %8.1f\n", names[i], after[i].privateKb, after[i].commitKb,
                after[i].workingSetKb, after[i].cpuMs - before[i].cpuMs);
  }
  EnumWindows(PressReenable, static_cast<LPARAM>(GetProcessId(hushpad)));
  if (WaitForSingleObject(hushpad, 10000) != WAIT_OBJECT_0) TerminateProcess(hushpad, 1);
  TerminateProcess(waiter, 0);
  CloseHandle(hushpad);
  CloseHandle(waiter);
  return 0;
}
