// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/lzma_util/seven_zip/start_header.h"

#include <cstring>

#include "desktop/windows/installer/lzma_util/seven_zip/byte_reader.h"
#include "desktop/windows/installer/lzma_util/seven_zip/crc32.h"

namespace velta::seven_zip {

// static
bool StartHeader::HasSignature(const uint8_t* bytes) {
  return std::memcmp(bytes, kSignature, kSignatureSize) == 0;
}

ResultCode StartHeader::Parse(const uint8_t* bytes, std::string* error) {
  if (!HasSignature(bytes)) {
    *error = "The file has no 7z signature";
    return ResultCode::kNoArchive;
  }
  const uint8_t major_version = bytes[6];
  if (major_version != 0) {
    *error = "The archive has an unsupported format version";
    return ResultCode::kUnsupported;
  }
  ByteReader reader(bytes + 8, kSize - 8);
  uint32_t start_header_crc = 0;
  reader.ReadUInt32(&start_header_crc);
  if (Crc32::Compute(reader.current(), reader.remaining()) != start_header_crc) {
    *error = "The archive's start header CRC does not match";
    return ResultCode::kCrcError;
  }
  reader.ReadUInt64(&next_header_offset_);
  reader.ReadUInt64(&next_header_size_);
  reader.ReadUInt32(&next_header_crc_);
  return ResultCode::kOk;
}

}  // namespace velta::seven_zip
