#pragma once

#include <windows.h>
#include <shellapi.h>

// Failure injection for the end-to-end tests. Only the separate test build
// (HushpadFaults.exe, compiled with HUSHPAD_FAULT_POINTS and linked with
// tests/faults/FaultPoints.cpp) has fault points;
// in Hushpad.exe HUSHPAD_FAULT_POINT(x) is the constant false, so the call it
// guards is made unconditionally and no trace of the mechanism remains.
//
//   const ATOM atom = HUSHPAD_FAULT_POINT(RegisterClassW) ? 0 : RegisterClassW(&c);
//
// In the test build the environment variable HUSHPAD_FAULT selects the calls:
// "Name:error[:delayMs[:times]]", or several such settings separated by ",".
// A matching fault point sleeps delayMs, sets GetLastError() to error and
// reports true, so the caller takes its failure path exactly as if the system
// had refused the call; with times, only the first that many calls of that
// setting fail. A pause point, HUSHPAD_PAUSE_POINT(x), only sleeps delayMs,
// as if the call it stands before were slow.
//
// HUSHPAD_SYSTEM_PARAMETERS is what the accessibility guard calls: in the test
// build, when HUSHPAD_SETTINGS names a shared section, it is a simulated
// system whose three keyboard accessibility settings live in that section,
// shared by every copy, so that tests can read them (Wine keeps none).
//
// HUSHPAD_HOOK_RENEWAL_SEAM is what the keyboard hook's thread does inside a
// renewal (KeyboardHook.h): in the test build, the pause point
// "UnhookWindowsHookEx" between the new hook's installation and the old one's
// removal, and the fault point "KeyboardHookRemoved", which removes the new
// hook behind the thread's back, as Windows does with a hook that answers too
// late.
//
// HUSHPAD_INTEGRITY_LEVEL(level) is the integrity level a copy reports as its
// own: in the test build, HUSHPAD_INTEGRITY (a decimal RID) stands in for it,
// since Wine runs every process at the same level.
// HUSHPAD_ELEVATION_TYPE(type) is the type of a copy's token: in the test
// build, while HUSHPAD_INTEGRITY is set, an administrator's elevated token
// (TokenElevationTypeFull) at SECURITY_MANDATORY_HIGH_RID or above, and the
// filtered one (TokenElevationTypeLimited) below it.
//
// HUSHPAD_SHELL_EXECUTE is what starts Hushpad as administrator
// (ShellExecuteExW). Wine shows no UAC prompt and starts every program at one
// level, so in the test build it stands in for UAC: it traces what it was
// given, "HushpadFaults: ShellExecuteExW(VERB, FILE, PARAMETERS)", fails as
// the ShellExecuteExW fault point says (ERROR_CANCELLED: a declined prompt),
// and starts a "runas" program itself: in lpDirectory (without one, in
// System32, where an elevated program starts), at the high level, without
// HUSHPAD_FAULT, and hands its process back only for SEE_MASK_NOCLOSEPROCESS.
#ifdef HUSHPAD_FAULT_POINTS
bool FaultPointHit(const wchar_t* name) noexcept;
void PausePointHit(const wchar_t* name) noexcept;
BOOL WINAPI FaultSystemParameters(UINT action, UINT uiParam, PVOID pvParam, UINT fWinIni) noexcept;
#define HUSHPAD_FAULT_POINT(name) FaultPointHit(L"" #name)
#define HUSHPAD_PAUSE_POINT(name) PausePointHit(L"" #name)
#define HUSHPAD_SYSTEM_PARAMETERS (&FaultSystemParameters)
DWORD FaultIntegrityLevel(DWORD actual) noexcept;
#define HUSHPAD_INTEGRITY_LEVEL(level) FaultIntegrityLevel(level)
#define HUSHPAD_HOOK_RENEWAL_SEAM                                            \
  (HookRenewalSeam{[]() noexcept { PausePointHit(L"UnhookWindowsHookEx"); }, \
                   []() noexcept { return FaultPointHit(L"KeyboardHookRemoved"); }})
TOKEN_ELEVATION_TYPE FaultElevationType(TOKEN_ELEVATION_TYPE actual) noexcept;
#define HUSHPAD_ELEVATION_TYPE(type) FaultElevationType(type)
BOOL WINAPI FaultShellExecute(SHELLEXECUTEINFOW* info) noexcept;
#define HUSHPAD_SHELL_EXECUTE (&FaultShellExecute)
#else
#define HUSHPAD_FAULT_POINT(name)      false
#define HUSHPAD_PAUSE_POINT(name)      static_cast<void>(0)
#define HUSHPAD_SYSTEM_PARAMETERS      (&SystemParametersInfoW)
#define HUSHPAD_INTEGRITY_LEVEL(level) (level)
#define HUSHPAD_HOOK_RENEWAL_SEAM      (HookRenewalSeam{})
#define HUSHPAD_ELEVATION_TYPE(type)   (type)
#define HUSHPAD_SHELL_EXECUTE          (&ShellExecuteExW)
#endif
