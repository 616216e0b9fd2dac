#include "app/copies/SharedState.h"

#include "app/copies/InstanceNames.h"
#include "app/copies/NamedObjectSecurity.h"

SharedState::~SharedState() {
  if (data_ != &own_) UnmapViewOfFile(data_);
}

DWORD SharedState::Open() noexcept {
  if (data_ != &own_) return ERROR_SUCCESS;
  NamedObjectSecurity& security = NamedObjectSecurity::ForThisProcess();
  if (security.Error()) return security.Error();
  UniqueHandle section(CreateFileMappingW(INVALID_HANDLE_VALUE, security.Attributes(),
                                          PAGE_READWRITE, 0, sizeof(Data), kSharedStateName));
  if (!section) return GetLastError();
  const bool created = GetLastError() != ERROR_ALREADY_EXISTS;
  if (!created) {
    if (const DWORD error = security.CheckExisting(section.get())) return error;
  }
  auto* view = static_cast<Data*>(MapViewOfFile(section.get(), FILE_MAP_WRITE, 0, 0, sizeof(Data)));
  if (!view) return GetLastError();
  // A new section is zero-filled: no primary, nothing saved. The "-app" mutex
  // keeps any other copy from looking before the layout is written.
  if (created) view->layout = kLayout;
  if (view->layout != kLayout) {
    UnmapViewOfFile(view);
    return ERROR_REVISION_MISMATCH;
  }
  data_ = view;
  section_ = std::move(section);
  return ERROR_SUCCESS;
}

DWORD SharedState::PrimaryProcessId() const noexcept {
  return static_cast<DWORD>(data_->primaryProcessId);
}

void SharedState::SetPrimary(DWORD processId) noexcept {
  InterlockedExchange(&data_->primaryProcessId, static_cast<LONG>(processId));
}
