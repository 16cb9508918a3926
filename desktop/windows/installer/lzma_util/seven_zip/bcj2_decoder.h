// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_SEVEN_ZIP_BCJ2_DECODER_H_
#define DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_SEVEN_ZIP_BCJ2_DECODER_H_

#include <cstddef>
#include <cstdint>
#include <string>

#include "desktop/windows/installer/lzma_util/seven_zip/result_code.h"

namespace velta::seven_zip {

// Joins the four streams of the BCJ2 x86 branch coder: the code with CALL
// and JMP operands taken out, the CALL targets, the JMP targets (both
// absolute, big-endian) and a range-coded stream of "was this E8/E9/Jcc
// converted" bits.
class Bcj2Decoder {
 public:
  struct Stream {
    const uint8_t* data;
    size_t size;
  };

  // Writes exactly `out_size` bytes to `out`. Returns kDataError when a
  // stream runs out first or the range coder starts wrongly.
  static ResultCode Decode(Stream main, Stream calls, Stream jumps, Stream range_coded,
                           uint8_t* out, size_t out_size, std::string* error);
};

}  // namespace velta::seven_zip

#endif  // DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_SEVEN_ZIP_BCJ2_DECODER_H_
