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
bool Read(SystemParametersFunction systemParameters, UINT action, Setting& setting) noexcept {
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
void DisableHotkey(SystemParametersFunction systemParameters, UINT setAction, bool read,
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

void AccessibilityGuard::Disable() noexcept {
  if (active_) return;
  stickyKeysRead_ = Read(systemParameters_, SPI_GETSTICKYKEYS, stickyKeys_);
  toggleKeysRead_ = Read(systemParameters_, SPI_GETTOGGLEKEYS, toggleKeys_);
  filterKeysRead_ = Read(systemParameters_, SPI_GETFILTERKEYS, filterKeys_);
  DisableHotkey(systemParameters_, SPI_SETSTICKYKEYS, stickyKeysRead_, stickyKeys_,
                SKF_STICKYKEYSON);
  DisableHotkey(systemParameters_, SPI_SETTOGGLEKEYS, toggleKeysRead_, toggleKeys_,
                TKF_TOGGLEKEYSON);
  DisableHotkey(systemParameters_, SPI_SETFILTERKEYS, filterKeysRead_, filterKeys_,
                FKF_FILTERKEYSON);
  active_ = true;
  OutputDebugStringW(L"Hushpad: Disabled the accessibility keys.\n");
}

void AccessibilityGuard::Restore() noexcept {
  if (!active_) return;
  // Unconditional for every setting that was read: this also undoes changes
  // made by others while the guard was active.
  if (stickyKeysRead_) Write(systemParameters_, SPI_SETSTICKYKEYS, stickyKeys_);
  if (toggleKeysRead_) Write(systemParameters_, SPI_SETTOGGLEKEYS, toggleKeys_);
  if (filterKeysRead_) Write(systemParameters_, SPI_SETFILTERKEYS, filterKeys_);
  active_ = false;
  OutputDebugStringW(L"Hushpad: Re-enabled the accessibility keys.\n");
}
