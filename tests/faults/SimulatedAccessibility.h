#pragma once

// The one definition of the simulated keyboard accessibility settings (Wine
// keeps none of its own): the keys tests' fake system, the fault build's
// shared section and the end-to-end tests that read that section all use it.
#include <windows.h>

#include <cstring>
#include <optional>

// What the fault build reads from its environment (app/FaultPoints.h).
inline constexpr wchar_t kFaultVariable[] = L"HUSHPAD_FAULT";
inline constexpr wchar_t kSettingsVariable[] = L"HUSHPAD_SETTINGS";
inline constexpr wchar_t kIntegrityVariable[] = L"HUSHPAD_INTEGRITY";

// The system's three settings; in the fault build, the whole content of the
// section that kSettingsVariable names.
struct SimulatedAccessibility {
  STICKYKEYS stickyKeys;
  TOGGLEKEYS toggleKeys;
  FILTERKEYS filterKeys;
  bool operator==(const SimulatedAccessibility& other) const {
    return std::memcmp(this, &other, sizeof other) == 0;
  }
};

namespace simulated_accessibility {

template <typename Setting>
BOOL Transfer(bool get, Setting& current, UINT uiParam, PVOID pvParam) noexcept {
  auto* given = static_cast<Setting*>(pvParam);
  if (!given || uiParam != sizeof(Setting) || given->cbSize != sizeof(Setting)) return FALSE;
  if (get) {
    *given = current;
  } else {
    current = *given;
  }
  return TRUE;
}

}  // namespace simulated_accessibility

// SystemParametersInfoW's answer for a get or set of one of the three
// settings against `system`, with the system's own size checks; nothing for
// any other action.
inline std::optional<BOOL> SimulateSystemParameters(SimulatedAccessibility& system, UINT action,
                                                    UINT uiParam, PVOID pvParam) noexcept {
  using simulated_accessibility::Transfer;
  switch (action) {
    case SPI_GETSTICKYKEYS:
    case SPI_SETSTICKYKEYS:
      return Transfer(action == SPI_GETSTICKYKEYS, system.stickyKeys, uiParam, pvParam);
    case SPI_GETTOGGLEKEYS:
    case SPI_SETTOGGLEKEYS:
      return Transfer(action == SPI_GETTOGGLEKEYS, system.toggleKeys, uiParam, pvParam);
    case SPI_GETFILTERKEYS:
    case SPI_SETFILTERKEYS:
      return Transfer(action == SPI_GETFILTERKEYS, system.filterKeys, uiParam, pvParam);
    default:
      return std::nullopt;
  }
}
