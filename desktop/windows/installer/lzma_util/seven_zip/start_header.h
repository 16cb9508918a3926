// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_SEVEN_ZIP_START_HEADER_H_
#define DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_SEVEN_ZIP_START_HEADER_H_

#include <cstddef>
#include <cstdint>
#include <string>

#include "desktop/windows/installer/lzma_util/seven_zip/result_code.h"

namespace velta::seven_zip {

// The 32 bytes every 7z archive starts with: the signature 37 7A BC AF 27 1C,
// the format version, and a CRC-protected pointer to the header at the end.
class StartHeader {
 public:
  static constexpr size_t kSize = 32;
  static constexpr size_t kSignatureSize = 6;
  static constexpr uint8_t kSignature[kSignatureSize] = {0x37, 0x7A, 0xBC, 0xAF, 0x27, 0x1C};

  // Checks and decodes `bytes` (kSize of them): kNoArchive without the
  // signature, kUnsupported for a major version other than 0, kCrcError when
  // the start header's CRC does not match.
  ResultCode Parse(const uint8_t* bytes, std::string* error);

  // Whether `bytes` (at least kSignatureSize) start with the signature.
  static bool HasSignature(const uint8_t* bytes);

  // Offset of the header from the end of these 32 bytes, its size and CRC.
  uint64_t next_header_offset() const { return next_header_offset_; }
  uint64_t next_header_size() const { return next_header_size_; }
  uint32_t next_header_crc() const { return next_header_crc_; }

 private:
  uint64_t next_header_offset_ = 0;
  uint64_t next_header_size_ = 0;
  uint32_t next_header_crc_ = 0;
};

}  // namespace velta::seven_zip

#endif  // DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_SEVEN_ZIP_START_HEADER_H_
