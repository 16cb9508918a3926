// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_SEVEN_ZIP_MEMORY_BYTE_SOURCE_H_
#define DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_SEVEN_ZIP_MEMORY_BYTE_SOURCE_H_

#include <cstddef>
#include <cstdint>

#include "desktop/windows/installer/lzma_util/seven_zip/byte_source.h"

namespace velta::seven_zip {

// A ByteSource over a block in memory (a stream another coder decoded). The
// block must outlive the source.
class MemoryByteSource : public ByteSource {
 public:
  MemoryByteSource(const uint8_t* data, size_t size);
  MemoryByteSource(const MemoryByteSource&) = delete;
  MemoryByteSource& operator=(const MemoryByteSource&) = delete;
  ~MemoryByteSource() override;

  ResultCode Peek(const uint8_t** data, size_t* size) override;
  void Consume(size_t count) override;
  uint64_t remaining() const override { return size_ - position_; }

 private:
  const uint8_t* const data_;
  const size_t size_;
  size_t position_ = 0;
};

}  // namespace velta::seven_zip

#endif  // DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_SEVEN_ZIP_MEMORY_BYTE_SOURCE_H_
