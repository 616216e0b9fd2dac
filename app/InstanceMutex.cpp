#include "app/InstanceMutex.h"

#include <utility>

#include "res/resource.h"
#include "text/Win32Error.h"

InstanceMutex::InstanceMutex(std::wstring name) : name(std::move(name)) {}

InstanceMutex::~InstanceMutex() { Release(); }

void InstanceMutex::Acquire() {
  if (!handle) {
    HANDLE created = CreateMutexW(nullptr, FALSE, name.empty() ? nullptr : name.c_str());
    if (!created) throw Win32Error{IDS_MUTEX_ERROR, GetLastError()};
    handle.reset(created);
    // Abandoned or not, the mutex is ours once the wait returns.
    WaitForSingleObject(created, INFINITE);
  }
  ++count;
}

void InstanceMutex::Release() noexcept {
  if (!handle) return;
  if (--count == 0) {
    ReleaseMutex(handle.get());
    handle.reset();
  }
}
