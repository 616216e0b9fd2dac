#include "app/SharedState.h"

#include "app/InstanceNames.h"

SharedState::~SharedState() {
  if (data_ != &own_) UnmapViewOfFile(data_);
}

void SharedState::Open() noexcept {
  if (data_ != &own_) return;
  UniqueHandle section(CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                          sizeof(Data), kSharedStateName));
  const bool created = section && GetLastError() != ERROR_ALREADY_EXISTS;
  if (!section) return;
  auto* view = static_cast<Data*>(MapViewOfFile(section.get(), FILE_MAP_WRITE, 0, 0, sizeof(Data)));
  if (!view) return;
  // A new section is zero-filled: no primary, nothing saved. The "-app" mutex
  // keeps any other copy from looking before the layout is written.
  if (created) view->layout = kLayout;
  if (view->layout != kLayout) {
    UnmapViewOfFile(view);
    return;
  }
  data_ = view;
  section_ = std::move(section);
}

DWORD SharedState::PrimaryProcessId() const noexcept {
  return static_cast<DWORD>(data_->primaryProcessId);
}

void SharedState::SetPrimaryProcessId(DWORD processId) noexcept {
  InterlockedExchange(&data_->primaryProcessId, static_cast<LONG>(processId));
}
