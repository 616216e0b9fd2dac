#include "app/copies/PrimaryRole.h"

#include "app/copies/NamedObjectSecurity.h"
#include "res/resource.h"
#include "text/Win32Error.h"

PrimaryRole::~PrimaryRole() { Resign(); }

PrimaryRole::Claim PrimaryRole::TryClaim() {
  NamedObjectSecurity& security = NamedObjectSecurity::ForThisProcess();
  if (security.Error()) throw Win32Error{IDS_MUTEX_ERROR, security.Error()};
  mutex_.reset(CreateMutexW(security.Attributes(), FALSE, name_));
  if (!mutex_) throw Win32Error{IDS_MUTEX_ERROR, GetLastError()};
  if (GetLastError() == ERROR_ALREADY_EXISTS) {
    if (const DWORD error = security.CheckExisting(mutex_.get())) {
      mutex_.reset();
      throw Win32Error{IDS_MUTEX_ERROR, error};
    }
  }
  Start(false);
  return ThreadHolds() ? claim_ : Claim::Busy;
}

void PrimaryRole::Watch(TakeOverFunction takeOver, void* context) {
  takeOver_ = takeOver;
  context_ = context;
  Start(true);
}

bool PrimaryRole::StopWatching() noexcept {
  if (!thread_ || !watch_) return false;
  SetEvent(stop_.get());
  return ThreadHolds();
}

bool PrimaryRole::ThreadHolds() noexcept {
  // The thread reports by holding the mutex, or by ending.
  const HANDLE heldOrEnded[] = {held_.get(), thread_.get()};
  if (WaitForMultipleObjects(2, heldOrEnded, FALSE, INFINITE) == WAIT_OBJECT_0) return true;
  thread_.reset();
  return false;
}

void PrimaryRole::Resign() noexcept {
  if (!thread_) return;
  SetEvent(resign_.get());
  WaitForSingleObject(thread_.get(), INFINITE);
  thread_.reset();
}

void PrimaryRole::Start(bool watch) {
  watch_ = watch;
  stop_.reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  resign_.reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  held_.reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  if (!stop_ || !resign_ || !held_) throw Win32Error{IDS_THREAD_ERROR, GetLastError()};
  thread_.reset(CreateThread(nullptr, 0, RoleThread, this, 0, nullptr));
  if (!thread_) throw Win32Error{IDS_THREAD_ERROR, GetLastError()};
}

bool PrimaryRole::TakeMutexNow() noexcept {
  const DWORD result = WaitForSingleObject(mutex_.get(), 0);
  claim_ = result == WAIT_ABANDONED ? Claim::Abandoned : Claim::Free;
  return result == WAIT_OBJECT_0 || result == WAIT_ABANDONED;
}

DWORD WINAPI PrimaryRole::RoleThread(LPVOID parameter) noexcept {
  auto& role = *static_cast<PrimaryRole*>(parameter);
  if (!role.watch_) {
    if (!role.TakeMutexNow()) return 0;
  } else {
    const HANDLE waits[] = {role.resign_.get(), role.stop_.get(), role.mutex_.get()};
    const DWORD result = WaitForMultipleObjects(3, waits, FALSE, INFINITE);
    const bool taken = result == WAIT_OBJECT_0 + 2 || result == WAIT_ABANDONED_0 + 2;
    // Told to stop watching: a role given up or lost just now is still ours
    // to take, as nobody else may be left to take it.
    const bool lastLook = result == WAIT_OBJECT_0 + 1;
    if (!taken && !(lastLook && role.TakeMutexNow())) return 0;
    role.takeOver_(role.context_);
  }
  SetEvent(role.held_.get());
  WaitForSingleObject(role.resign_.get(), INFINITE);
  ReleaseMutex(role.mutex_.get());
  return 0;
}
