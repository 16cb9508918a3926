// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_SEVEN_ZIP_CRC32_H_
#define DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_SEVEN_ZIP_CRC32_H_

#include <cstddef>
#include <cstdint>

namespace velta::seven_zip {

// CRC-32 as 7z archives store it (the IEEE polynomial, reflected, initial and
// final value 0xFFFFFFFF). Tables are built at compile time; works eight bytes
// per step, since every decoded byte of an archive passes through it.
class Crc32 {
 public:
  Crc32() = default;

  // Feeds `size` bytes.
  void Update(const uint8_t* data, size_t size);

  // The CRC of everything fed so far.
  uint32_t Value() const { return ~state_; }

  // The CRC of one block.
  static uint32_t Compute(const uint8_t* data, size_t size);

 private:
  uint32_t state_ = 0xFFFFFFFF;
};

}  // namespace velta::seven_zip

#endif  // DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_SEVEN_ZIP_CRC32_H_
