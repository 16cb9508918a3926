// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_SEVEN_ZIP_HEAP_ALLOCATOR_H_
#define DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_SEVEN_ZIP_HEAP_ALLOCATOR_H_

#include <cstddef>

#include "desktop/windows/installer/lzma_util/seven_zip/allocator.h"

namespace velta::seven_zip {

// Allocates from the C heap. With a non-zero `limit`, requests above it fail
// (tests and the fuzzer use this to bound what a hostile archive can ask for).
class HeapAllocator : public Allocator {
 public:
  explicit HeapAllocator(size_t limit = 0);
  HeapAllocator(const HeapAllocator&) = delete;
  HeapAllocator& operator=(const HeapAllocator&) = delete;
  ~HeapAllocator() override;

  void* Allocate(size_t size) override;
  void Free(void* address) override;

  // Number of blocks currently handed out.
  size_t live_allocations() const { return live_allocations_; }

 private:
  const size_t limit_;
  size_t live_allocations_ = 0;
};

}  // namespace velta::seven_zip

#endif  // DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_SEVEN_ZIP_HEAP_ALLOCATOR_H_
