// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_SEVEN_ZIP_BYTE_SOURCE_H_
#define DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_SEVEN_ZIP_BYTE_SOURCE_H_

#include <cstddef>
#include <cstdint>

#include "desktop/windows/installer/lzma_util/seven_zip/result_code.h"

namespace velta::seven_zip {

// A bounded run of input bytes for one coder: a packed stream of the archive
// or the decoded output of another coder. Decoders look at what is available,
// use some of it and say how much.
class ByteSource {
 public:
  virtual ~ByteSource() = default;

  // Points `*data` at unread bytes and sets `*size` to how many there are
  // (at least one unless the source is used up; 0 then). Consumes nothing.
  virtual ResultCode Peek(const uint8_t** data, size_t* size) = 0;

  // Consumes `count` bytes of those the last Peek offered.
  virtual void Consume(size_t count) = 0;

  // Bytes not consumed yet.
  virtual uint64_t remaining() const = 0;

  // Copies exactly `size` bytes; kInputEof when the source ends first.
  virtual ResultCode ReadExact(uint8_t* out, size_t size);
};

}  // namespace velta::seven_zip

#endif  // DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_SEVEN_ZIP_BYTE_SOURCE_H_
