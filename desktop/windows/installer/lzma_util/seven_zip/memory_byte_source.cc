// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/lzma_util/seven_zip/memory_byte_source.h"

#include <algorithm>

namespace velta::seven_zip {

MemoryByteSource::MemoryByteSource(const uint8_t* data, size_t size) : data_(data), size_(size) {}

MemoryByteSource::~MemoryByteSource() = default;

ResultCode MemoryByteSource::Peek(const uint8_t** data, size_t* size) {
  *data = data_ + position_;
  *size = size_ - position_;
  return ResultCode::kOk;
}

void MemoryByteSource::Consume(size_t count) {
  position_ += std::min(count, size_ - position_);
}

}  // namespace velta::seven_zip
