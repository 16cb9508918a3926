// Copyright 2026 Velta Software. All rights reserved.

// libFuzzer target: opens arbitrary bytes as an archive (at the start, else
// behind a stub) and extracts every entry. Allocations are capped so that a
// size claimed by a corrupt header fails cleanly instead of exhausting memory.

#include <cstddef>
#include <cstdint>
#include <string>

#include "desktop/windows/installer/lzma_util/seven_zip/archive_reader.h"
#include "desktop/windows/installer/lzma_util/seven_zip/block_cache.h"
#include "desktop/windows/installer/lzma_util/seven_zip/heap_allocator.h"
#include "desktop/windows/installer/lzma_util/seven_zip/memory_input_stream.h"
#include "desktop/windows/installer/lzma_util/seven_zip/signature_scanner.h"

namespace {

constexpr size_t kAllocationLimit = 64 << 20;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace velta::seven_zip;
  MemoryInputStream stream(data, size);
  HeapAllocator temp_allocator(kAllocationLimit);
  HeapAllocator block_allocator(kAllocationLimit);
  ArchiveReader reader;
  ResultCode result = reader.Open(&stream, &temp_allocator);
  if (result == ResultCode::kNoArchive) {
    int64_t start = 0;
    stream.Seek(&start, InputStream::SeekOrigin::kBegin);
    std::string error;
    if (SignatureScanner::SeekToSignature(&stream, &error) != ResultCode::kOk)
      return 0;
    result = reader.Open(&stream, &temp_allocator);
  }
  if (result != ResultCode::kOk)
    return 0;
  BlockCache cache(&block_allocator);
  for (size_t i = 0; i < reader.entries().size(); ++i) {
    size_t offset = 0;
    size_t entry_size = 0;
    if (reader.Extract(i, &cache, &offset, &entry_size) != ResultCode::kOk)
      continue;
    // Touch the bytes so that ASan sees any read past the block.
    volatile uint8_t sink = 0;
    if (entry_size > 0)
      sink = cache.data()[offset] ^ cache.data()[offset + entry_size - 1];
    (void)sink;
  }
  return 0;
}
