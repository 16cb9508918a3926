// Copyright 2026 Velta Software. All rights reserved.

#ifndef BASE_SCOPED_NATIVE_LIBRARY_H_
#define BASE_SCOPED_NATIVE_LIBRARY_H_

#include "base/files/file_path.h"
#include "base/native_library.h"

namespace base {

// Owns a loaded DLL and unloads it when destroyed. Function pointers taken
// from it must not outlive it. Move-only; used on one sequence.
class ScopedNativeLibrary {
 public:
  ScopedNativeLibrary() = default;
  // Takes ownership of an already loaded library (null allowed).
  explicit ScopedNativeLibrary(NativeLibrary library);
  // Loads `library_path` (see LoadNativeLibrary); check is_valid().
  explicit ScopedNativeLibrary(const FilePath& library_path);
  ScopedNativeLibrary(ScopedNativeLibrary&& other) noexcept;
  ScopedNativeLibrary& operator=(ScopedNativeLibrary&& other) noexcept;
  ScopedNativeLibrary(const ScopedNativeLibrary&) = delete;
  ScopedNativeLibrary& operator=(const ScopedNativeLibrary&) = delete;
  ~ScopedNativeLibrary();

  bool is_valid() const { return library_ != nullptr; }
  NativeLibrary get() const { return library_; }
  // The system error of a failed load by path; 0 otherwise.
  unsigned long load_error() const { return load_error_; }

  // The exported symbol `name`, or null (also when no library is loaded).
  void* GetFunctionPointer(const char* name) const;

  // Unloads the current library and owns `library` instead.
  void reset(NativeLibrary library);
  // Gives up ownership without unloading.
  [[nodiscard]] NativeLibrary release();

 private:
  NativeLibrary library_ = nullptr;
  unsigned long load_error_ = 0;
};

}  // namespace base

#endif  // BASE_SCOPED_NATIVE_LIBRARY_H_
