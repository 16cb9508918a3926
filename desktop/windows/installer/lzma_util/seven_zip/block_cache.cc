// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/lzma_util/seven_zip/block_cache.h"

#include "desktop/windows/installer/lzma_util/seven_zip/allocator.h"

namespace velta::seven_zip {

BlockCache::BlockCache(Allocator* allocator) : allocator_(allocator) {}

BlockCache::~BlockCache() {
  Release();
}

void BlockCache::Release() {
  if (data_)
    allocator_->Free(data_);
  data_ = nullptr;
  size_ = 0;
  folder_index_ = kNoFolder;
  decoded_ = false;
}

bool BlockCache::Reset(uint32_t folder_index, size_t size) {
  Release();
  if (size > 0) {
    data_ = static_cast<uint8_t*>(allocator_->Allocate(size));
    if (!data_)
      return false;
  }
  size_ = size;
  folder_index_ = folder_index;
  return true;
}

}  // namespace velta::seven_zip
