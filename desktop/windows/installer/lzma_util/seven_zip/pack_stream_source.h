// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_SEVEN_ZIP_PACK_STREAM_SOURCE_H_
#define DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_SEVEN_ZIP_PACK_STREAM_SOURCE_H_

#include <cstddef>
#include <cstdint>

#include "desktop/windows/installer/lzma_util/seven_zip/byte_source.h"

namespace velta::seven_zip {

class Allocator;
class InputStream;

// A ByteSource over `size` bytes of the archive starting at absolute stream
// position `offset`, read through a buffer. Seeks before every read, so
// several sources may share one stream. The buffer comes from
// `buffer_allocator` on the first Peek (ReadExact alone needs none) and goes
// back with the source. The stream and the allocator must outlive the source.
class PackStreamSource : public ByteSource {
 public:
  PackStreamSource(InputStream* stream, uint64_t offset, uint64_t size,
                   Allocator* buffer_allocator);
  PackStreamSource(const PackStreamSource&) = delete;
  PackStreamSource& operator=(const PackStreamSource&) = delete;
  // Frees the buffer.
  ~PackStreamSource() override;

  ResultCode Peek(const uint8_t** data, size_t* size) override;
  void Consume(size_t count) override;
  uint64_t remaining() const override { return size_ - consumed_; }

  // Reads straight into `out` once the buffer is drained (the Copy coder).
  ResultCode ReadExact(uint8_t* out, size_t size) override;

 private:
  // Reads `size` bytes at the next unread archive position into `out`.
  ResultCode ReadFromStream(uint8_t* out, size_t size);

  InputStream* const stream_;
  Allocator* const buffer_allocator_;
  const uint64_t offset_;
  const uint64_t size_;
  uint64_t consumed_ = 0;
  // Bytes read from the stream so far (buffered ones included).
  uint64_t fetched_ = 0;
  uint8_t* buffer_ = nullptr;
  size_t buffer_start_ = 0;
  size_t buffer_end_ = 0;
};

}  // namespace velta::seven_zip

#endif  // DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_SEVEN_ZIP_PACK_STREAM_SOURCE_H_
