#include "keys/AccessibilityGuard.h"

namespace {

// The hotkey switches the feature on, or first asks the user to confirm.
constexpr DWORD kHotkeyBits = SKF_HOTKEYACTIVE | SKF_CONFIRMHOTKEY;
static_assert(kHotkeyBits == (TKF_HOTKEYACTIVE | TKF_CONFIRMHOTKEY) &&
                  kHotkeyBits == (FKF_HOTKEYACTIVE | FKF_CONFIRMHOTKEY),
              "the three features share their hotkey bits");
static_assert(sizeof(STICKYKEYS) == 8 && sizeof(TOGGLEKEYS) == 8 && sizeof(FILTERKEYS) == 24,
              "the sizes the system expects in cbSize and uiParam");

template <typename Setting>
BOOL Read(SystemParametersFunction systemParameters, UINT action, Setting& setting) noexcept {
  setting.cbSize = sizeof(Setting);
  return systemParameters(action, sizeof(Setting), &setting, 0) != FALSE;
}

template <typename Setting>
void Write(SystemParametersFunction systemParameters, UINT action,
           const Setting& setting) noexcept {
  // The system does not modify what it is given to write, but its signature
  // wants a writable pointer; a copy keeps the saved setting untouched anyway.
  Setting copy = setting;
  systemParameters(action, sizeof(Setting), &copy, 0);
}

// Turns the hotkey off unless the feature itself is on (then the user relies on
// it and keeps it).
template <typename Setting>
void DisableHotkey(SystemParametersFunction systemParameters, UINT setAction, BOOL read,
                   const Setting& saved, DWORD featureOnBit) noexcept {
  if (!read || (saved.dwFlags & featureOnBit) != 0) return;
  Setting changed = saved;
  changed.dwFlags &= ~kHotkeyBits;
  Write(systemParameters, setAction, changed);
}

}  // namespace

AccessibilityGuard::AccessibilityGuard() noexcept : AccessibilityGuard(&SystemParametersInfoW) {}

AccessibilityGuard::AccessibilityGuard(SystemParametersFunction systemParameters) noexcept
    : systemParameters_(systemParameters) {}

AccessibilityGuard::~AccessibilityGuard() { Restore(); }

void AccessibilityGuard::KeepSettingsIn(AccessibilitySettings* storage) noexcept {
  if (!active_) saved_ = storage;
}

void AccessibilityGuard::Disable() noexcept {
  if (active_) return;
  AccessibilitySettings& saved = *saved_;
  if (!saved.applied) {
    saved.stickyKeysRead = Read(systemParameters_, SPI_GETSTICKYKEYS, saved.stickyKeys);
    saved.toggleKeysRead = Read(systemParameters_, SPI_GETTOGGLEKEYS, saved.toggleKeys);
    saved.filterKeysRead = Read(systemParameters_, SPI_GETFILTERKEYS, saved.filterKeys);
    // Set only once everything is saved, before anything is changed (a full
    // barrier): a copy that dies in between leaves the system as it was.
    InterlockedExchange(&saved.applied, 1);
  }
  DisableHotkey(systemParameters_, SPI_SETSTICKYKEYS, saved.stickyKeysRead, saved.stickyKeys,
                SKF_STICKYKEYSON);
  DisableHotkey(systemParameters_, SPI_SETTOGGLEKEYS, saved.toggleKeysRead, saved.toggleKeys,
                TKF_TOGGLEKEYSON);
  DisableHotkey(systemParameters_, SPI_SETFILTERKEYS, saved.filterKeysRead, saved.filterKeys,
                FKF_FILTERKEYSON);
  active_ = true;
  OutputDebugStringW(L"Hushpad: Disabled the accessibility keys.\n");
}

void AccessibilityGuard::Restore() noexcept {
  if (!active_) return;
  // Unconditional for every setting that was read: this also undoes changes
  // made by others while the guard was active.
  const AccessibilitySettings& saved = *saved_;
  if (saved.stickyKeysRead) Write(systemParameters_, SPI_SETSTICKYKEYS, saved.stickyKeys);
  if (saved.toggleKeysRead) Write(systemParameters_, SPI_SETTOGGLEKEYS, saved.toggleKeys);
  if (saved.filterKeysRead) Write(systemParameters_, SPI_SETFILTERKEYS, saved.filterKeys);
  InterlockedExchange(&saved_->applied, 0);
  active_ = false;
  OutputDebugStringW(L"Hushpad: Re-enabled the accessibility keys.\n");
}
