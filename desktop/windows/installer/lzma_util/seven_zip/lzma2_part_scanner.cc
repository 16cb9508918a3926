// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/lzma_util/seven_zip/lzma2_part_scanner.h"

#include <algorithm>

#include "desktop/windows/installer/lzma_util/seven_zip/byte_source.h"

namespace velta::seven_zip {

namespace {

ResultCode Refuse(const char* reason, std::string* error) {
  *error = reason;
  return ResultCode::kDataError;
}

// What a failed read of `source` means: the stream ends early (the data is
// corrupt, as `reason` says), or the reading failed (no memory, an I/O
// error), which is returned as it is.
ResultCode ReadFailure(ResultCode code, const char* reason, std::string* error) {
  if (code == ResultCode::kInputEof || code == ResultCode::kOk)
    return Refuse(reason, error);
  *error = "Cannot read the packed stream";
  return code;
}

// Skips `size` bytes of `source`.
ResultCode Skip(ByteSource* source, uint64_t size) {
  if (size > source->remaining())
    return ResultCode::kInputEof;
  while (size > 0) {
    const uint8_t* data = nullptr;
    size_t available = 0;
    const ResultCode result = source->Peek(&data, &available);
    if (result != ResultCode::kOk || available == 0)
      return result == ResultCode::kOk ? ResultCode::kInputEof : result;
    const size_t step = static_cast<size_t>(std::min<uint64_t>(available, size));
    source->Consume(step);
    size -= step;
  }
  return ResultCode::kOk;
}

}  // namespace

// static
ResultCode Lzma2PartScanner::Scan(ByteSource* source, uint64_t unpacked_size,
                                  std::vector<Lzma2Part>* parts, std::string* error) {
  parts->clear();
  const uint64_t packed_total = source->remaining();
  uint64_t unpacked = 0;
  for (;;) {
    const uint64_t chunk_offset = packed_total - source->remaining();
    uint8_t control = 0;
    ResultCode result = source->ReadExact(&control, 1);
    if (result != ResultCode::kOk)
      return ReadFailure(result, "The LZMA2 stream has no end marker", error);
    if (control == 0)
      break;
    uint8_t header[5];
    uint64_t chunk_unpacked = 0;
    uint64_t chunk_packed = 0;
    bool resets_dictionary = false;
    if (control < 0x80) {
      // Uncompressed: 1 resets the dictionary, 2 keeps it.
      if (control > 2)
        return Refuse("The LZMA2 stream has a bad chunk header", error);
      result = source->ReadExact(header, 2);
      chunk_unpacked = ((static_cast<uint64_t>(header[0]) << 8) | header[1]) + 1;
      chunk_packed = chunk_unpacked;
      resets_dictionary = control == 1;
    } else {
      const unsigned mode = (control >> 5) & 3;
      result = source->ReadExact(header, mode >= 2 ? 5 : 4);
      chunk_unpacked =
          ((static_cast<uint64_t>(control & 0x1F) << 16) | (header[0] << 8) | header[1]) + 1;
      chunk_packed = ((static_cast<uint64_t>(header[2]) << 8) | header[3]) + 1;
      resets_dictionary = mode == 3;
    }
    if (result != ResultCode::kOk)
      return ReadFailure(result, "The LZMA2 stream has a bad chunk header", error);
    if (parts->empty() && !resets_dictionary)
      return Refuse("The LZMA2 stream does not start with a dictionary reset", error);
    if (chunk_unpacked > unpacked_size - unpacked)
      return Refuse("The LZMA2 stream is longer than its declared size", error);
    result = Skip(source, chunk_packed);
    if (result != ResultCode::kOk)
      return ReadFailure(result, "The LZMA2 data ends early", error);
    if (resets_dictionary)
      parts->push_back({.packed_offset = chunk_offset, .unpacked_offset = unpacked});
    Lzma2Part& part = parts->back();
    part.packed_size = packed_total - source->remaining() - part.packed_offset;
    part.unpacked_size += chunk_unpacked;
    unpacked += chunk_unpacked;
  }
  if (unpacked != unpacked_size)
    return Refuse("The LZMA2 stream ends before its declared size", error);
  if (source->remaining() != 0)
    return Refuse("The LZMA2 stream is followed by unused packed data", error);
  return ResultCode::kOk;
}

}  // namespace velta::seven_zip
