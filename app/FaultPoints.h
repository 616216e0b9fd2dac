#pragma once

// Failure injection for the end-to-end tests. Only the separate test build
// (HushpadFaults.exe, compiled with HUSHPAD_FAULT_POINTS) has fault points;
// in Hushpad.exe HUSHPAD_FAULT_POINT(x) is the constant false, so the call it
// guards is made unconditionally and no trace of the mechanism remains.
//
//   const ATOM atom = HUSHPAD_FAULT_POINT(RegisterClassW) ? 0 : RegisterClassW(&c);
//
// In the test build the environment variable HUSHPAD_FAULT selects the call:
// "Name:error[:delayMs[:times]]". A matching fault point sleeps delayMs, sets
// GetLastError() to error and reports true, so the caller takes its failure
// path exactly as if the system had refused the call; with times, only the
// first that many calls fail.
#ifdef HUSHPAD_FAULT_POINTS
bool FaultPointHit(const wchar_t* name) noexcept;
#define HUSHPAD_FAULT_POINT(name) FaultPointHit(L"" #name)
#else
#define HUSHPAD_FAULT_POINT(name) false
#endif
