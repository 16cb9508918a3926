// Copyright 2026 Velta Software. All rights reserved.

#include "base/scoped_native_library.h"

#include <utility>

namespace base {

ScopedNativeLibrary::ScopedNativeLibrary(NativeLibrary library) : library_(library) {}

ScopedNativeLibrary::ScopedNativeLibrary(const FilePath& library_path) {
  // In the body: `load_error_`'s own initialiser would run after a load in the
  // member initialiser list and wipe the error.
  library_ = LoadNativeLibrary(library_path, &load_error_);
}

ScopedNativeLibrary::ScopedNativeLibrary(ScopedNativeLibrary&& other) noexcept
    : library_(other.release()), load_error_(other.load_error_) {}

ScopedNativeLibrary& ScopedNativeLibrary::operator=(ScopedNativeLibrary&& other) noexcept {
  if (this != &other) {
    reset(other.release());
    load_error_ = other.load_error_;
  }
  return *this;
}

ScopedNativeLibrary::~ScopedNativeLibrary() {
  reset(nullptr);
}

void* ScopedNativeLibrary::GetFunctionPointer(const char* name) const {
  return GetFunctionPointerFromNativeLibrary(library_, name);
}

void ScopedNativeLibrary::reset(NativeLibrary library) {
  if (library_ != library)
    UnloadNativeLibrary(library_);
  library_ = library;
}

NativeLibrary ScopedNativeLibrary::release() {
  return std::exchange(library_, nullptr);
}

}  // namespace base
