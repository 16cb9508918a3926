// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_SEVEN_ZIP_LZMA_DECODER_H_
#define DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_SEVEN_ZIP_LZMA_DECODER_H_

#include <cstddef>
#include <cstdint>
#include <string>

#include "desktop/windows/installer/lzma_util/seven_zip/result_code.h"

namespace velta::seven_zip {

class Allocator;
class ByteSource;

// Which decoder does the work: LzmaStreamDecoder (the product's), or the
// LZMA SDK's LzmaDec, kept as the reference the tests and the fuzzer check
// it against (same output and refusals on every input).
enum class LzmaEngine {
  kLzmaDec,
  kStreamDecoder,
};

// Decodes LZMA and LZMA2 streams with the LZMA SDK's LzmaDec or with
// LzmaStreamDecoder straight into the caller's output block, which doubles as
// the decoder's dictionary (no copy, no separate dictionary allocation). This
// class and its target are the only code that sees the SDK's headers.
class LzmaDecoder {
 public:
  // `allocator` gives the probability tables (up to ~6 MB) and must outlive
  // the decoder.
  explicit LzmaDecoder(Allocator* allocator, LzmaEngine engine = LzmaEngine::kStreamDecoder);
  LzmaDecoder(const LzmaDecoder&) = delete;
  LzmaDecoder& operator=(const LzmaDecoder&) = delete;
  ~LzmaDecoder();

  // Whether a coder's stored properties are ones these decoders accept: five
  // bytes (lc/lp/pb and dictionary size) for LZMA, one byte (dictionary size
  // code up to 40) for LZMA2. Sets `*error` when not.
  static bool CheckLzmaProperties(const uint8_t* properties, size_t size, std::string* error);
  static bool CheckLzma2Properties(const uint8_t* properties, size_t size, std::string* error);

  // Decodes all of `source` into exactly `out_size` bytes at `out`. The
  // stream must end exactly there and use up `source`; anything else is
  // kDataError. On failure the block holds partial output.
  ResultCode DecodeLzma(const uint8_t* properties, size_t properties_size, ByteSource* source,
                        uint8_t* out, size_t out_size, std::string* error);
  ResultCode DecodeLzma2(const uint8_t* properties, size_t properties_size, ByteSource* source,
                         uint8_t* out, size_t out_size, std::string* error);

  // Decodes one part of an LZMA2 stream: chunks from one that resets the
  // dictionary up to (not including) the next such chunk or the end marker,
  // with no end marker of its own. `source` holds exactly the part's chunks
  // and `out_size` is the part's unpacked size; the part must fill it and use
  // up `source`, as in DecodeLzma2. The part reaches back to no byte before
  // `out`, so parts may be decoded in any order, on any thread (one decoder
  // each).
  ResultCode DecodeLzma2Part(const uint8_t* properties, size_t properties_size,
                             ByteSource* source, uint8_t* out, size_t out_size,
                             std::string* error);

 private:
  // DecodeLzma2 and DecodeLzma2Part: until the end marker, or with
  // `is_part` until `source` is used up.
  ResultCode DecodeLzma2Chunks(const uint8_t* properties, size_t properties_size,
                               ByteSource* source, uint8_t* out, size_t out_size, bool is_part,
                               std::string* error);

  Allocator* const allocator_;
  const LzmaEngine engine_;
};

}  // namespace velta::seven_zip

#endif  // DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_SEVEN_ZIP_LZMA_DECODER_H_
