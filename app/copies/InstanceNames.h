#pragma once

// Names by which the copies of Hushpad find each other; the GUID keeps them
// apart from every other program's.
#define HUSHPAD_GUID L"{3F1C9E52-84B0-4d6e-9A17-5B2E0C7D41A8}"

// Serialises role choice, window creation and destruction, and the hand-off.
inline constexpr const wchar_t kAppMutexName[] = L"Local\\Hushpad-" HUSHPAD_GUID L"-app";
// Exists while one copy shows the manual dialog.
inline constexpr const wchar_t kManualMutexName[] = L"Local\\Hushpad-" HUSHPAD_GUID L"-manual";
// Held by the copy that suppresses the keys, for as long as it does.
inline constexpr const wchar_t kPrimaryMutexName[] = L"Local\\Hushpad-" HUSHPAD_GUID L"-primary";
// The memory the copies share: who suppresses, and the user's saved settings.
inline constexpr const wchar_t kSharedStateName[] = L"Local\\Hushpad-" HUSHPAD_GUID L"-state";
// The class and title of each copy's message-only window.
inline constexpr const wchar_t kWindowClassName[] = HUSHPAD_GUID;
inline constexpr const wchar_t kWindowTitle[] = L"Hushpad";
