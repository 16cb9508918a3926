// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_SEVEN_ZIP_LZMA2_PART_H_
#define DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_SEVEN_ZIP_LZMA2_PART_H_

#include <cstdint>

namespace velta::seven_zip {

// A run of LZMA2 chunks that starts with a dictionary reset and decodes on
// its own: where its chunks lie in the packed stream (from the stream's
// start) and where its output lies in the stream's output.
struct Lzma2Part {
  uint64_t packed_offset = 0;
  uint64_t packed_size = 0;
  uint64_t unpacked_offset = 0;
  uint64_t unpacked_size = 0;
};

}  // namespace velta::seven_zip

#endif  // DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_SEVEN_ZIP_LZMA2_PART_H_
