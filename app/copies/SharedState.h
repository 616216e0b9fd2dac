#pragma once

#include <windows.h>

#include "app/copies/CopyWishes.h"
#include "keys/AccessibilityGuard.h"
#include "text/UniqueHandle.h"

// What the copies of Hushpad share besides their windows: which copy
// suppresses the keys now, the user's accessibility settings as the first of
// them saved them, and what each copy wants of the keys. A copy that takes over from one that died
// restores these, not the changed settings it would read from the system.
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

  // Opens the section, or creates it zero-filled with NamedObjectSecurity;
  // call it under the "-app" mutex, once. Returns 0, or why the section cannot
  // be shared (ERROR_REVISION_MISMATCH when another program or version keeps
  // something else under its name, ERROR_ACCESS_DENIED when the section is
  // not one of Hushpad's, NamedObjectSecurity::CheckExisting): the state then
  // stays this copy's own, and
  // the copy runs as usual, but a copy taking over from it cannot restore the
  // settings it saved.
  DWORD Open() noexcept;

  // The process ID of the copy that suppresses the keys, or that did until it
  // ended without handing off; 0 when none has or all handed off normally.
  DWORD PrimaryProcessId() const noexcept;
  // Records `processId` as the copy that suppresses the keys; 0 once it has
  // handed off.
  void SetPrimary(DWORD processId) noexcept;

  // Where the accessibility guard keeps the user's settings.
  AccessibilitySettings* Settings() noexcept { return &data_->settings; }
  // kCopyRecords records, one for each copy that runs (CopyEntry).
  CopyRecord* Copies() noexcept { return data_->copies; }

 private:
  struct Data {
    DWORD layout;  // kLayout once initialised
    volatile LONG primaryProcessId;
    AccessibilitySettings settings;
    CopyRecord copies[kCopyRecords];
  };
  // Tells this layout from anything else under the name, including a later
  // version's.
  static constexpr DWORD kLayout = 0x48500000u | sizeof(Data);

  UniqueHandle section_;
  Data own_{};
  Data* data_ = &own_;
};
