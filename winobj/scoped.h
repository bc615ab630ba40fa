// The program's scoped guards, all in one place: run a step at scope end, put a value back,
// hold a reference to a layer object, and close a find or file handle however the scope is
// left (returns and exceptions alike).
#pragma once

#include <windows.h>

#include <utility>

#include "winobj/object.h"

// Runs `step` when the scope ends: AtScopeEnd done([&] { ... });
// A step that throws is dropped: a second exception while unwinding would end the program.
template <typename Step>
class AtScopeEnd {
 public:
  explicit AtScopeEnd(Step step) : step_(std::move(step)) {}
  ~AtScopeEnd() {
    try {
      step_();
    } catch (...) {
    }
  }
  AtScopeEnd(const AtScopeEnd&) = delete;
  AtScopeEnd& operator=(const AtScopeEnd&) = delete;

 private:
  Step step_;
};

// Gives `variable` a value for the length of a scope and puts the old one back at its end.
template <typename T>
class AutoReset {
 public:
  AutoReset(T& variable, T value) : variable_(variable), old_(std::move(variable)) {
    variable_ = std::move(value);
  }
  ~AutoReset() { variable_ = std::move(old_); }
  AutoReset(const AutoReset&) = delete;
  AutoReset& operator=(const AutoReset&) = delete;

 private:
  T& variable_;
  T old_;
};

// A reference to a layer object for the length of a scope: whoever frees the object meanwhile
// only marks it, and it is destroyed when the scope ends.
class HeldReference {
 public:
  explicit HeldReference(Object* object) : object_(object) { AddRef(object_); }
  ~HeldReference() { Release(object_); }
  HeldReference(const HeldReference&) = delete;
  HeldReference& operator=(const HeldReference&) = delete;

 private:
  Object* object_;
};

// A kernel handle closed at scope end by `CloseProc`. INVALID_HANDLE_VALUE and none mean that
// there is nothing to close (the failure values of FindFirstFileA and CreateFileA).
template <BOOL(WINAPI* CloseProc)(HANDLE)>
class ScopedHandle {
 public:
  explicit ScopedHandle(HANDLE handle) : handle_(handle) {}
  ~ScopedHandle() { Close(); }
  ScopedHandle(const ScopedHandle&) = delete;
  ScopedHandle& operator=(const ScopedHandle&) = delete;

  HANDLE get() const { return handle_; }
  bool valid() const { return handle_ != INVALID_HANDLE_VALUE && handle_ != nullptr; }
  // Closes now, for callers that need the platform's answer (a file's last write can fail
  // there); false when the close failed. Closing twice is closing nothing.
  bool Close() {
    if (!valid()) return true;
    HANDLE handle = handle_;
    handle_ = INVALID_HANDLE_VALUE;
    return CloseProc(handle) != FALSE;
  }

 private:
  HANDLE handle_;
};

using FindHandle = ScopedHandle<FindClose>;
using FileHandle = ScopedHandle<CloseHandle>;
