#pragma once

// The one definition of the simulated keyboard accessibility settings (Wine
// keeps none of its own): the fault build's shared section, and the
// end-to-end tests that set and read it, use it.
#include <windows.h>

#include <cstring>
#include <optional>
#include <type_traits>

// What the fault build reads from its environment (app/FaultPoints.h).
inline constexpr wchar_t kFaultVariable[] = L"HUSHPAD_FAULT";
inline constexpr wchar_t kSettingsVariable[] = L"HUSHPAD_SETTINGS";
inline constexpr wchar_t kIntegrityVariable[] = L"HUSHPAD_INTEGRITY";

// The system's three settings: the whole content of the section that
// kSettingsVariable names. A setting stored with a cbSize other than its
// size cannot be read.
struct SimulatedAccessibility {
  STICKYKEYS stickyKeys;
  TOGGLEKEYS toggleKeys;
  FILTERKEYS filterKeys;
  bool operator==(const SimulatedAccessibility& other) const {
    return std::memcmp(this, &other, sizeof other) == 0;
  }
};

// SystemParametersInfoW's answer for a get or set of one of the three
// settings against `system`, with the system's own size checks; nothing for
// any other action. This system keeps no user profile: a write meant for one
// (fWinIni not 0) is refused, so that a test sees it.
inline std::optional<BOOL> SimulateSystemParameters(SimulatedAccessibility& system, UINT action,
                                                    UINT uiParam, PVOID pvParam,
                                                    UINT fWinIni) noexcept {
  const auto transfer = [&](auto& current, UINT get) -> BOOL {
    using Setting = std::remove_reference_t<decltype(current)>;
    auto* given = static_cast<Setting*>(pvParam);
    if (!given || uiParam != sizeof(Setting) || given->cbSize != sizeof(Setting)) return FALSE;
    if (action != get) {
      if (fWinIni != 0) return FALSE;
      current = *given;
    } else if (current.cbSize == sizeof(Setting)) {
      *given = current;
    } else {
      return FALSE;
    }
    return TRUE;
  };
  switch (action) {
    case SPI_GETSTICKYKEYS:
    case SPI_SETSTICKYKEYS:
      return transfer(system.stickyKeys, SPI_GETSTICKYKEYS);
    case SPI_GETTOGGLEKEYS:
    case SPI_SETTOGGLEKEYS:
      return transfer(system.toggleKeys, SPI_GETTOGGLEKEYS);
    case SPI_GETFILTERKEYS:
    case SPI_SETFILTERKEYS:
      return transfer(system.filterKeys, SPI_GETFILTERKEYS);
    default:
      return std::nullopt;
  }
}
