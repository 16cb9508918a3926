// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/lzma_util/seven_zip/memory_input_stream.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace velta::seven_zip {

MemoryInputStream::MemoryInputStream(const uint8_t* data, size_t size)
    : data_(data), size_(size) {}

MemoryInputStream::~MemoryInputStream() = default;

ResultCode MemoryInputStream::Read(uint8_t* buffer, size_t* size) {
  const size_t count = position_ < size_ ? std::min(*size, size_ - position_) : 0;
  if (count > 0)
    std::memcpy(buffer, data_ + position_, count);
  position_ += count;
  *size = count;
  return ResultCode::kOk;
}

ResultCode MemoryInputStream::Seek(int64_t* position, SeekOrigin origin) {
  int64_t base = 0;
  switch (origin) {
    case SeekOrigin::kBegin:
      base = 0;
      break;
    case SeekOrigin::kCurrent:
      base = static_cast<int64_t>(position_);
      break;
    case SeekOrigin::kEnd:
      base = static_cast<int64_t>(size_);
      break;
    default:
      return ResultCode::kParamError;
  }
  // Positions past the end are allowed (reads there return nothing), as with
  // files; negative ones are not.
  if (*position < -base || *position > INT64_MAX - base)
    return ResultCode::kFail;
  position_ = static_cast<size_t>(base + *position);
  *position = static_cast<int64_t>(position_);
  return ResultCode::kOk;
}

}  // namespace velta::seven_zip
