#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "text/UniqueHandle.h"

// A named mutex that this process has open only while it holds it, so that
// the kernel object exists only while some process holds or waits for it.
// Acquisitions nest within the process: only the first one waits.
class InstanceMutex {
 public:
  // An empty name makes an unnamed mutex. Opens nothing.
  explicit InstanceMutex(std::wstring name);
  // One Release step.
  ~InstanceMutex();
  InstanceMutex(const InstanceMutex&) = delete;
  InstanceMutex& operator=(const InstanceMutex&) = delete;

  // Returns once this process holds the mutex (an abandoned mutex counts as
  // held); a mutex it creates gets NamedObjectSecurity. Throws Win32Error
  // IDS_MUTEX_ERROR when the mutex can be neither created nor opened (for
  // example when another kind of object already has its name), one that existed
  // fails NamedObjectSecurity::CheckExisting, or its wait fails; nothing
  // changes then.
  void Acquire();
  // Gives back one acquisition; the last one releases and closes the mutex.
  // Does nothing while the mutex is not held.
  void Release() noexcept;

 private:
  const std::wstring name_;
  UniqueHandle handle_;  // set exactly while count_ is above 0
  std::uint32_t count_ = 0;
};

// Holds one acquisition of an InstanceMutex for its scope.
class InstanceLock {
 public:
  explicit InstanceLock(InstanceMutex& mutex) : mutex_(mutex) { mutex_.Acquire(); }
  ~InstanceLock() { mutex_.Release(); }
  InstanceLock(const InstanceLock&) = delete;
  InstanceLock& operator=(const InstanceLock&) = delete;

 private:
  InstanceMutex& mutex_;
};
