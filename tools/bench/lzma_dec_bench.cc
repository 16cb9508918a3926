// Copyright 2026 Velta Software. All rights reserved.

// Decodes a .lzma file (5 property bytes, 64-bit size, LZMA stream) in memory
// with one decoder alone and prints the throughput in MB/s of decoded output:
// the decoder's own speed, without the archive reader or file writes.
//   lzma_dec_bench [--decoder=stream|lzmadec] FILE.lzma [UNPACKED_SIZE]
// --decoder picks LzmaStreamDecoder (the reader's, the default) or LzmaDec
// (decoder_switch.h). UNPACKED_SIZE is needed when the file does not record
// it (xz --format=lzma writes an end marker and no size).

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "desktop/windows/installer/lzma_util/seven_zip/heap_allocator.h"
#include "desktop/windows/installer/lzma_util/seven_zip/lzma_decoder.h"
#include "desktop/windows/installer/lzma_util/seven_zip/memory_byte_source.h"
#include "decoder_switch.h"

int main(int argc, char** argv) {
  using namespace velta::seven_zip;
  const char* const program = argv[0];
  LzmaEngine engine;
  if (!TakeDecoderSwitch(&argc, &argv, &engine))
    return 2;
  if (argc != 2 && argc != 3) {
    std::fprintf(stderr, "usage: %s [--decoder=stream|lzmadec] FILE.lzma [UNPACKED_SIZE]\n",
                 program);
    return 2;
  }
  std::FILE* file = std::fopen(argv[1], "rb");
  if (!file) {
    std::fprintf(stderr, "cannot open %s\n", argv[1]);
    return 1;
  }
  std::vector<uint8_t> input;
  uint8_t buffer[1 << 16];
  size_t count = 0;
  while ((count = std::fread(buffer, 1, sizeof(buffer), file)) > 0)
    input.insert(input.end(), buffer, buffer + count);
  std::fclose(file);
  if (input.size() < 13) {
    std::fprintf(stderr, "not a .lzma file\n");
    return 1;
  }
  uint64_t size = 0;
  for (int i = 7; i >= 0; --i)
    size = (size << 8) | input[5 + i];
  if (size == UINT64_MAX) {
    if (argc != 3) {
      std::fprintf(stderr, "the file records no size: give UNPACKED_SIZE\n");
      return 1;
    }
    size = std::strtoull(argv[2], nullptr, 10);
  }
  std::vector<uint8_t> output(size);
  HeapAllocator heap;
  LzmaDecoder decoder(&heap, engine);
  MemoryByteSource source(input.data() + 13, input.size() - 13);
  std::string error;
  const auto start = std::chrono::steady_clock::now();
  ResultCode result =
      decoder.DecodeLzma(input.data(), 5, &source, output.data(), output.size(), &error);
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  if (result != ResultCode::kOk) {
    std::fprintf(stderr, "decoding failed: %d %s\n", static_cast<int>(result), error.c_str());
    return 1;
  }
  std::printf("%.1f MB/s (%llu bytes in %.3f s)\n", size / 1e6 / seconds,
              static_cast<unsigned long long>(size), seconds);
  return 0;
}
