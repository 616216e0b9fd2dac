#include "app/copies/InstanceMutex.h"

#include <utility>

#include "app/copies/NamedObjectSecurity.h"
#include "res/resource.h"
#include "text/Win32Error.h"

InstanceMutex::InstanceMutex(std::wstring name) : name_(std::move(name)) {}

InstanceMutex::~InstanceMutex() { Release(); }

void InstanceMutex::Acquire() {
  if (!handle_) {
    NamedObjectSecurity& security = NamedObjectSecurity::ForThisProcess();
    if (security.Error()) throw Win32Error{IDS_MUTEX_ERROR, security.Error()};
    UniqueHandle created(
        CreateMutexW(security.Attributes(), FALSE, name_.empty() ? nullptr : name_.c_str()));
    if (!created) throw Win32Error{IDS_MUTEX_ERROR, GetLastError()};
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
      if (const DWORD error = security.CheckExisting(created.get())) {
        throw Win32Error{IDS_MUTEX_ERROR, error};
      }
    }
    // Abandoned or not, the mutex is ours once the wait returns.
    if (WaitForSingleObject(created.get(), INFINITE) == WAIT_FAILED) {
      throw Win32Error{IDS_MUTEX_ERROR, GetLastError()};
    }
    handle_ = std::move(created);
  }
  ++count_;
}

void InstanceMutex::Release() noexcept {
  if (!handle_) return;
  if (--count_ == 0) {
    ReleaseMutex(handle_.get());
    handle_.reset();
  }
}
