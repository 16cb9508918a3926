// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_SEVEN_ZIP_BCJ_X86_FILTER_H_
#define DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_SEVEN_ZIP_BCJ_X86_FILTER_H_

#include <cstddef>
#include <cstdint>

namespace velta::seven_zip {

// Undoes the x86 branch filter (BCJ) of 7z archives: the encoder turned the
// relative targets of CALL (E8) and JMP (E9) instructions into absolute ones
// so that repeated calls compress better; this turns them back, in place.
class BcjX86Filter {
 public:
  // Decodes a whole stream that starts at position 0. The last four bytes
  // cannot start an instruction and stay as they are, as the encoder left
  // them.
  static void Decode(uint8_t* data, size_t size);
};

}  // namespace velta::seven_zip

#endif  // DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_SEVEN_ZIP_BCJ_X86_FILTER_H_
