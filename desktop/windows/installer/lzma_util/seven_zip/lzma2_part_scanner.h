// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_SEVEN_ZIP_LZMA2_PART_SCANNER_H_
#define DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_SEVEN_ZIP_LZMA2_PART_SCANNER_H_

#include <cstdint>
#include <string>
#include <vector>

#include "desktop/windows/installer/lzma_util/seven_zip/lzma2_part.h"
#include "desktop/windows/installer/lzma_util/seven_zip/result_code.h"

namespace velta::seven_zip {

class ByteSource;

// Splits an LZMA2 stream into the parts that decode on their own by reading
// its chunk headers only (the chunks' data is skipped). A packer that
// compresses on several threads starts every block with a dictionary reset;
// a single-threaded one writes one part.
//
// The stream is untrusted: every chunk must lie inside the source, the
// stream must start with a dictionary reset, end with its end marker at the
// source's end, and unpack to exactly `unpacked_size` bytes. Anything else
// is kDataError with a reason in `*error`, as the decoder itself would give.
class Lzma2PartScanner {
 public:
  static ResultCode Scan(ByteSource* source, uint64_t unpacked_size,
                         std::vector<Lzma2Part>* parts, std::string* error);
};

}  // namespace velta::seven_zip

#endif  // DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_SEVEN_ZIP_LZMA2_PART_SCANNER_H_
