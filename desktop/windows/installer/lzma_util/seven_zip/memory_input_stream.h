// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_SEVEN_ZIP_MEMORY_INPUT_STREAM_H_
#define DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_SEVEN_ZIP_MEMORY_INPUT_STREAM_H_

#include <cstddef>
#include <cstdint>

#include "desktop/windows/installer/lzma_util/seven_zip/input_stream.h"

namespace velta::seven_zip {

// An InputStream over an archive held in memory. The block must outlive the
// stream.
class MemoryInputStream : public InputStream {
 public:
  MemoryInputStream(const uint8_t* data, size_t size);
  MemoryInputStream(const MemoryInputStream&) = delete;
  MemoryInputStream& operator=(const MemoryInputStream&) = delete;
  ~MemoryInputStream() override;

  ResultCode Read(uint8_t* buffer, size_t* size) override;
  ResultCode Seek(int64_t* position, SeekOrigin origin) override;

 private:
  const uint8_t* const data_;
  const size_t size_;
  size_t position_ = 0;
};

}  // namespace velta::seven_zip

#endif  // DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_SEVEN_ZIP_MEMORY_INPUT_STREAM_H_
