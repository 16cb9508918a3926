// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/lzma_util/seven_zip/pack_stream_source.h"

#include <algorithm>
#include <cstring>

#include "desktop/windows/installer/lzma_util/seven_zip/allocator.h"
#include "desktop/windows/installer/lzma_util/seven_zip/input_stream.h"

namespace velta::seven_zip {

namespace {

// Large enough that the per-read seek and call cost vanish against decoding.
constexpr size_t kBufferSize = 1 << 18;

}  // namespace

PackStreamSource::PackStreamSource(InputStream* stream, uint64_t offset, uint64_t size,
                                   Allocator* buffer_allocator)
    : stream_(stream), buffer_allocator_(buffer_allocator), offset_(offset), size_(size) {}

PackStreamSource::~PackStreamSource() {
  buffer_allocator_->Free(buffer_);
}

ResultCode PackStreamSource::ReadFromStream(uint8_t* out, size_t size) {
  int64_t position = static_cast<int64_t>(offset_ + fetched_);
  ResultCode result = stream_->Seek(&position, InputStream::SeekOrigin::kBegin);
  if (result != ResultCode::kOk)
    return result;
  size_t read = 0;
  result = stream_->ReadFully(out, size, &read);
  if (result != ResultCode::kOk)
    return result;
  if (read < size)
    return ResultCode::kInputEof;
  fetched_ += size;
  return ResultCode::kOk;
}

ResultCode PackStreamSource::Peek(const uint8_t** data, size_t* size) {
  if (buffer_start_ == buffer_end_ && fetched_ < size_) {
    if (!buffer_) {
      buffer_ = static_cast<uint8_t*>(buffer_allocator_->Allocate(kBufferSize));
      if (!buffer_)
        return ResultCode::kMemoryError;
    }
    const size_t count = static_cast<size_t>(std::min<uint64_t>(kBufferSize, size_ - fetched_));
    ResultCode result = ReadFromStream(buffer_, count);
    if (result != ResultCode::kOk)
      return result;
    buffer_start_ = 0;
    buffer_end_ = count;
  }
  *data = buffer_ + buffer_start_;
  *size = buffer_end_ - buffer_start_;
  return ResultCode::kOk;
}

void PackStreamSource::Consume(size_t count) {
  count = std::min(count, buffer_end_ - buffer_start_);
  buffer_start_ += count;
  consumed_ += count;
}

ResultCode PackStreamSource::ReadExact(uint8_t* out, size_t size) {
  const size_t buffered = std::min(size, buffer_end_ - buffer_start_);
  if (buffered > 0) {
    std::memcpy(out, buffer_ + buffer_start_, buffered);
    Consume(buffered);
    out += buffered;
    size -= buffered;
  }
  if (size == 0)
    return ResultCode::kOk;
  if (size > size_ - fetched_)
    return ResultCode::kInputEof;
  ResultCode result = ReadFromStream(out, size);
  if (result == ResultCode::kOk)
    consumed_ += size;
  return result;
}

}  // namespace velta::seven_zip
