// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_SEVEN_ZIP_PACK_STREAM_SOURCE_H_
#define DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_SEVEN_ZIP_PACK_STREAM_SOURCE_H_

#include <cstddef>
#include <cstdint>
#include <memory>

#include "desktop/windows/installer/lzma_util/seven_zip/byte_source.h"

namespace velta::seven_zip {

class InputStream;

// A ByteSource over `size` bytes of the archive starting at absolute stream
// position `offset`, read through a buffer. Seeks before every read, so
// several sources may share one stream. The stream must outlive the source.
class PackStreamSource : public ByteSource {
 public:
  PackStreamSource(InputStream* stream, uint64_t offset, uint64_t size);
  PackStreamSource(const PackStreamSource&) = delete;
  PackStreamSource& operator=(const PackStreamSource&) = delete;
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
  const uint64_t offset_;
  const uint64_t size_;
  uint64_t consumed_ = 0;
  // Bytes read from the stream so far (buffered ones included).
  uint64_t fetched_ = 0;
  std::unique_ptr<uint8_t[]> buffer_;
  size_t buffer_start_ = 0;
  size_t buffer_end_ = 0;
};

}  // namespace velta::seven_zip

#endif  // DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_SEVEN_ZIP_PACK_STREAM_SOURCE_H_
