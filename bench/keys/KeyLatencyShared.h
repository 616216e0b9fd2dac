#pragma once

#include <windows.h>

#include <string>

// What the benchmark and its target window share, by name: a small block of
// memory and two auto-reset events. The names carry the benchmark's process ID
// so that runs never meet.
struct KeyLatencyShared {
  HWND window;           // the target's window, set before it signals ready
  LONGLONG keyDownTime;  // QueryPerformanceCounter at the latest WM_KEYDOWN
};

inline std::wstring KeyLatencyName(DWORD benchmarkProcessId, const wchar_t* what) {
  return L"Local\\HushpadKeyLatency-" + std::to_wstring(benchmarkProcessId) + L"-" + what;
}

// Set by the target: once its window is shown ("ready"), at each WM_KEYDOWN
// ("down", after keyDownTime is written) and at each WM_KEYUP ("up").
constexpr const wchar_t* kReadyEvent = L"ready";
constexpr const wchar_t* kKeyDownEvent = L"down";
constexpr const wchar_t* kKeyUpEvent = L"up";
constexpr const wchar_t* kSharedMemory = L"memory";
