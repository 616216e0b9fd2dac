#pragma once

#include <windows.h>
#include <objbase.h>

#include <utility>

// COM on this thread for as long as the object lives, as the shell's calls
// need it: ShellExecuteExW may hand its work to COM objects, and shortcuts are
// read through them. A single-threaded apartment without OLE1 DDE, as
// "ShellExecuteExW" (Remarks) asks. A thread that already has an apartment of
// another kind keeps it, and the calls then run in that one.
class ComApartment {
 public:
  ComApartment() noexcept
      : result_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE)) {}
  ~ComApartment() {
    if (SUCCEEDED(result_)) CoUninitialize();
  }
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;

 private:
  HRESULT result_;
};

// Owns one reference to a COM object of interface T, released on destruction.
template <typename T>
class ComPointer {
 public:
  ComPointer() = default;
  ~ComPointer() { reset(); }
  ComPointer(const ComPointer&) = delete;
  ComPointer& operator=(const ComPointer&) = delete;

  T* operator->() const noexcept { return pointer_; }
  // For the calls that hand out a new reference: releases the one held first.
  void** put() noexcept {
    reset();
    return reinterpret_cast<void**>(&pointer_);
  }
  void reset() noexcept {
    if (pointer_) std::exchange(pointer_, nullptr)->Release();
  }

 private:
  T* pointer_ = nullptr;
};
