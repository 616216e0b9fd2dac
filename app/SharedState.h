#pragma once

#include <windows.h>

#include "keys/AccessibilityGuard.h"
#include "text/UniqueHandle.h"

// What the copies of Hushpad share besides their windows: which copy
// suppresses the keys now, and the user's accessibility settings as the first
// of them saved them. A copy that takes over from one that died restores
// these, not the changed settings it would read from the system.
//
// It lives in a named section of memory (never on disk or in the registry),
// which the system frees once the last copy has closed it. Only the copy that
// holds the "-primary" mutex writes it.
class SharedState {
 public:
  SharedState() = default;
  ~SharedState();
  SharedState(const SharedState&) = delete;
  SharedState& operator=(const SharedState&) = delete;

  // Opens the section, or creates it zero-filled; call it under the "-app"
  // mutex, once. When the section cannot be had, or another program keeps
  // something else under its name, the state stays this copy's own: the copy
  // runs as usual, but a copy taking over from it cannot restore the settings
  // it saved.
  void Open() noexcept;

  // The process ID of the copy that suppresses the keys, or that did until it
  // ended without handing off; 0 when none has or all handed off normally.
  DWORD PrimaryProcessId() const noexcept;
  void SetPrimaryProcessId(DWORD processId) noexcept;

  // Where the accessibility guard keeps the user's settings.
  AccessibilitySettings* Settings() noexcept { return &data_->settings; }

 private:
  struct Data {
    DWORD layout;  // kLayout once initialised
    volatile LONG primaryProcessId;
    AccessibilitySettings settings;
  };
  // Tells this layout from anything else under the name, including a later
  // version's.
  static constexpr DWORD kLayout = 0x48500000u | sizeof(Data);

  UniqueHandle section_;
  Data own_{};
  Data* data_ = &own_;
};
