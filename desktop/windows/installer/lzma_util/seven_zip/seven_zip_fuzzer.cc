// Copyright 2026 Velta Software. All rights reserved.

// libFuzzer target: opens arbitrary bytes as an archive (at the start, else
// behind a stub) and extracts every entry, once with each LZMA decoder; and
// decodes the same bytes as a raw LZMA or LZMA2 stream with each. The two
// decoders must agree on every result, reason and output byte: any
// difference traps. Allocations are capped so that a size claimed by a
// corrupt header fails cleanly instead of exhausting memory.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "desktop/windows/installer/lzma_util/seven_zip/archive_reader.h"
#include "desktop/windows/installer/lzma_util/seven_zip/block_cache.h"
#include "desktop/windows/installer/lzma_util/seven_zip/byte_source.h"
#include "desktop/windows/installer/lzma_util/seven_zip/heap_allocator.h"
#include "desktop/windows/installer/lzma_util/seven_zip/lzma_decoder.h"
#include "desktop/windows/installer/lzma_util/seven_zip/memory_input_stream.h"
#include "desktop/windows/installer/lzma_util/seven_zip/signature_scanner.h"

namespace {

using namespace velta::seven_zip;

constexpr size_t kAllocationLimit = 64 << 20;
constexpr size_t kMaxRawOutput = 1 << 20;

// Results, reasons and entries' bytes of one extraction, in order.
std::vector<std::string> ExtractArchive(const uint8_t* data, size_t size, LzmaEngine engine) {
  std::vector<std::string> outcome;
  MemoryInputStream stream(data, size);
  HeapAllocator temp_allocator(kAllocationLimit);
  HeapAllocator block_allocator(kAllocationLimit);
  ArchiveReader reader;
  reader.set_lzma_engine(engine);
  ResultCode result = reader.Open(&stream, &temp_allocator);
  if (result == ResultCode::kNoArchive) {
    int64_t start = 0;
    stream.Seek(&start, InputStream::SeekOrigin::kBegin);
    std::string error;
    if (SignatureScanner::SeekToSignature(&stream, &error) != ResultCode::kOk)
      return outcome;
    result = reader.Open(&stream, &temp_allocator);
  }
  outcome.push_back(std::to_string(static_cast<int>(result)) + reader.error_message());
  if (result != ResultCode::kOk)
    return outcome;
  BlockCache cache(&block_allocator);
  for (size_t i = 0; i < reader.entries().size(); ++i) {
    size_t offset = 0;
    size_t entry_size = 0;
    result = reader.Extract(i, &cache, &offset, &entry_size);
    if (result != ResultCode::kOk) {
      outcome.push_back(std::to_string(static_cast<int>(result)) + reader.error_message());
      continue;
    }
    // Reading every byte also lets ASan see any read past the block.
    outcome.emplace_back(cache.data() + offset, cache.data() + offset + entry_size);
  }
  return outcome;
}

// Hands out the input `piece` bytes at a time.
class PieceSource : public ByteSource {
 public:
  PieceSource(const uint8_t* data, size_t size, size_t piece)
      : data_(data), size_(size), piece_(piece) {}
  ResultCode Peek(const uint8_t** data, size_t* size) override {
    *data = data_ + position_;
    *size = std::min(piece_, size_ - position_);
    return ResultCode::kOk;
  }
  void Consume(size_t count) override { position_ += count; }
  uint64_t remaining() const override { return size_ - position_; }

 private:
  const uint8_t* const data_;
  const size_t size_;
  const size_t piece_;
  size_t position_ = 0;
};

// The input as a raw stream: byte 0 picks the coder and the input's piece
// size, bytes 1-2 the output size, then the properties and the stream.
std::string DecodeRaw(const uint8_t* data, size_t size, LzmaEngine engine) {
  if (size < 4)
    return std::string();
  const bool is_lzma2 = data[0] & 1;
  const size_t piece = (data[0] >> 1) ? (data[0] >> 1) : SIZE_MAX;
  const size_t out_size = std::min<size_t>((size_t{data[1]} << 8 | data[2]) * 16, kMaxRawOutput);
  const size_t properties_size = is_lzma2 ? 1 : 5;
  if (size < 3 + properties_size)
    return std::string();
  const uint8_t* properties = data + 3;
  HeapAllocator allocator(kAllocationLimit);
  LzmaDecoder decoder(&allocator, engine);
  PieceSource source(properties + properties_size, size - 3 - properties_size, piece);
  std::string out(out_size, '\xA5');
  std::string error;
  uint8_t* out_data = reinterpret_cast<uint8_t*>(out.data());
  const ResultCode result =
      is_lzma2 ? decoder.DecodeLzma2(properties, properties_size, &source, out_data, out_size,
                                     &error)
               : decoder.DecodeLzma(properties, properties_size, &source, out_data, out_size,
                                    &error);
  return std::to_string(static_cast<int>(result)) + error + out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (ExtractArchive(data, size, LzmaEngine::kLzmaDec) !=
      ExtractArchive(data, size, LzmaEngine::kStreamDecoder)) {
    __builtin_trap();
  }
  if (DecodeRaw(data, size, LzmaEngine::kLzmaDec) !=
      DecodeRaw(data, size, LzmaEngine::kStreamDecoder)) {
    __builtin_trap();
  }
  return 0;
}
