#pragma once

#include <windows.h>

#include "text/UniqueHandle.h"

// The role of the copy that suppresses the keys, as a named mutex that this
// copy holds for exactly as long as it has the role. A thread of its own
// holds it (a mutex belongs to a thread), so the role does not depend on what
// the main thread is busy with.
//
// When the holder dies, the system hands the abandoned mutex to exactly one
// waiting copy at once; when a holder gives the role up without handing off,
// the same happens. So a copy that defers watches the mutex and, once it gets
// it, takes over: exactly one copy suppresses the keys as long as any copy
// runs.
class PrimaryRole {
 public:
  enum class Claim {
    Free,       // nobody had the role; this copy holds it now
    Abandoned,  // its holder died; this copy holds it now
    Busy,       // another copy holds it; this copy holds nothing
  };
  // Called on the role's thread once a watch has got the role.
  using TakeOverFunction = void (*)(void* context) noexcept;

  explicit PrimaryRole(const wchar_t* name) noexcept : name_(name) {}
  // Resign().
  ~PrimaryRole();
  PrimaryRole(const PrimaryRole&) = delete;
  PrimaryRole& operator=(const PrimaryRole&) = delete;

  // Opens the mutex (it stays open for the life of this object) and takes it if
  // nobody holds it now, without waiting. Throws Win32Error IDS_MUTEX_ERROR
  // when the mutex can be neither created nor opened, or one that existed fails
  // NamedObjectSecurity::CheckExisting; IDS_THREAD_ERROR when its thread cannot
  // be started.
  Claim TryClaim();

  // After Busy: waits for the role on the role's thread and, once it is this
  // copy's, calls takeOver(context) there and keeps the role. Throws
  // Win32Error IDS_THREAD_ERROR when the thread cannot be started.
  void Watch(TakeOverFunction takeOver, void* context);

  // Ends a watch, after one last look: true when this copy holds the role now
  // (takeOver has returned by then), false when it does not (the watch has
  // ended). False also when there is no watch.
  bool StopWatching() noexcept;

  // Gives the role up, if held, and ends the role's thread; a watch ends
  // without taking over. Does nothing when there is nothing to end.
  void Resign() noexcept;

 private:
  static DWORD WINAPI RoleThread(LPVOID self) noexcept;
  void Start(bool watch);
  // Waits until the role's thread holds the mutex (true) or has ended (false).
  bool ThreadHolds() noexcept;
  bool TakeMutexNow() noexcept;

  const wchar_t* const name_;
  UniqueHandle mutex_;
  // Manual-reset events: end the watch; give the role up (or end the watch
  // without taking over); the role's thread holds the mutex.
  UniqueHandle stop_;
  UniqueHandle resign_;
  UniqueHandle held_;
  UniqueHandle thread_;
  bool watch_ = false;
  Claim claim_ = Claim::Busy;
  TakeOverFunction takeOver_ = nullptr;
  void* context_ = nullptr;
};
