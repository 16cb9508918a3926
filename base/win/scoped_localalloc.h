// Copyright 2026 Velta Software. All rights reserved.

#ifndef BASE_WIN_SCOPED_LOCALALLOC_H_
#define BASE_WIN_SCOPED_LOCALALLOC_H_

#include <windows.h>

#include <memory>

namespace base::win {

// Frees with LocalFree what the security and formatting functions hand out
// (descriptors, access lists, strings).
struct LocalAllocDeleter {
  void operator()(void* memory) const { ::LocalFree(memory); }
};

template <typename T>
using ScopedLocalAllocTyped = std::unique_ptr<T, LocalAllocDeleter>;
using ScopedLocalAlloc = ScopedLocalAllocTyped<void>;

}  // namespace base::win

#endif  // BASE_WIN_SCOPED_LOCALALLOC_H_
