// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/lzma_util/seven_zip/crc32.h"

#include <array>

namespace velta::seven_zip {

namespace {

constexpr uint32_t kPolynomial = 0xEDB88320;
constexpr int kTableCount = 8;

using Tables = std::array<std::array<uint32_t, 256>, kTableCount>;

// tables[0] is the classic byte table; tables[k][b] is the CRC of byte b
// followed by k zero bytes, which lets eight bytes be folded in one step.
constexpr Tables MakeTables() {
  Tables tables{};
  for (uint32_t b = 0; b < 256; ++b) {
    uint32_t crc = b;
    for (int bit = 0; bit < 8; ++bit)
      crc = (crc >> 1) ^ ((crc & 1) ? kPolynomial : 0);
    tables[0][b] = crc;
  }
  for (int k = 1; k < kTableCount; ++k) {
    for (uint32_t b = 0; b < 256; ++b) {
      uint32_t previous = tables[k - 1][b];
      tables[k][b] = (previous >> 8) ^ tables[0][previous & 0xFF];
    }
  }
  return tables;
}

constexpr Tables kTables = MakeTables();

inline uint32_t LoadLittleEndian32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
         (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

}  // namespace

void Crc32::Update(const uint8_t* data, size_t size) {
  uint32_t crc = state_;
  while (size >= 8) {
    uint32_t low = LoadLittleEndian32(data) ^ crc;
    uint32_t high = LoadLittleEndian32(data + 4);
    crc = kTables[7][low & 0xFF] ^ kTables[6][(low >> 8) & 0xFF] ^
          kTables[5][(low >> 16) & 0xFF] ^ kTables[4][low >> 24] ^
          kTables[3][high & 0xFF] ^ kTables[2][(high >> 8) & 0xFF] ^
          kTables[1][(high >> 16) & 0xFF] ^ kTables[0][high >> 24];
    data += 8;
    size -= 8;
  }
  while (size--)
    crc = (crc >> 8) ^ kTables[0][(crc ^ *data++) & 0xFF];
  state_ = crc;
}

// static
uint32_t Crc32::Compute(const uint8_t* data, size_t size) {
  Crc32 crc;
  crc.Update(data, size);
  return crc.Value();
}

}  // namespace velta::seven_zip
