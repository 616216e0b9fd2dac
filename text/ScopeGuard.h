#pragma once

#include <type_traits>

// A one-shot deferred call of a function that takes one pointer-sized
// argument, such as LocalFree, CloseHandle, ReleaseMutex or
// OutputDebugStringW:
//
//     ScopeGuard freeArguments(LocalFree, arguments);
//
// Constructing the guard does nothing else. Its destructor, at the end of the
// scope or while an exception unwinds it, calls the function once with the
// argument; the result is ignored and an exception from the call is swallowed.
// The argument may be null. Guards of one scope run in the reverse order of
// their construction, as all destructors do.
template <typename Function, typename Argument>
class ScopeGuard {
  static_assert(std::is_pointer_v<Function>, "ScopeGuard takes a function pointer");
  static_assert(sizeof(Argument) == sizeof(void*), "ScopeGuard takes one pointer-sized argument");

 public:
  ScopeGuard(Function function, Argument argument) noexcept
      : function_(function), argument_(argument) {}

  ScopeGuard(const ScopeGuard&) = delete;
  ScopeGuard& operator=(const ScopeGuard&) = delete;

  ~ScopeGuard() {
    try {
      function_(argument_);
    } catch (...) {
      // A release step has nowhere to report to; the scope's own outcome
      // (its result or the exception already in flight) is what counts.
    }
  }

 private:
  Function function_;
  Argument argument_;
};
