// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/lzma_util/seven_zip/heap_allocator.h"

#include <cstdlib>

namespace velta::seven_zip {

HeapAllocator::HeapAllocator(size_t limit) : limit_(limit) {}

HeapAllocator::~HeapAllocator() = default;

void* HeapAllocator::Allocate(size_t size) {
  if (size == 0 || (limit_ != 0 && size > limit_))
    return nullptr;
  void* address = std::malloc(size);
  if (address)
    ++live_allocations_;
  return address;
}

void HeapAllocator::Free(void* address) {
  if (!address)
    return;
  --live_allocations_;
  std::free(address);
}

}  // namespace velta::seven_zip
