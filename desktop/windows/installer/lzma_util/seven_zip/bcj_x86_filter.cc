// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/lzma_util/seven_zip/bcj_x86_filter.h"

namespace velta::seven_zip {

namespace {

// A converted operand's top byte is 00 or FF (a near target).
inline bool IsNearTopByte(uint8_t b) {
  return b == 0x00 || b == 0xFF;
}

// The encoder tracks which of the three bytes before an E8/E9 were
// themselves E8/E9 (a 3-bit mask). These tables say, per mask, whether a
// conversion may happen at all and which operand byte decides it.
constexpr bool kMaskAllowsConversion[8] = {true, true, true, false, true, false, false, false};
constexpr unsigned kMaskToByteIndex[8] = {0, 1, 2, 2, 3, 3, 3, 3};

}  // namespace

// static
void BcjX86Filter::Decode(uint8_t* data, size_t size) {
  BcjX86Filter filter;
  filter.Filter(data, size);
}

void BcjX86Filter::Filter(uint8_t* data, size_t decoded) {
  if (decoded < 5)
    return;
  const size_t limit = decoded - 4;
  uint32_t mask = mask_;
  size_t previous = previous_;
  size_t position = position_;
  for (;;) {
    while (position < limit && (data[position] & 0xFE) != 0xE8)
      ++position;
    if (position >= limit)
      break;

    const size_t distance = position - previous;
    if (distance > 3) {
      mask = 0;
    } else {
      mask = (mask << (distance - 1)) & 7;
      if (mask != 0) {
        const uint8_t b = data[position + 4 - kMaskToByteIndex[mask]];
        if (!kMaskAllowsConversion[mask] || IsNearTopByte(b)) {
          previous = position;
          mask = ((mask << 1) & 7) | 1;
          ++position;
          continue;
        }
      }
    }
    previous = position;

    uint8_t* operand = data + position + 1;
    if (!IsNearTopByte(operand[3])) {
      mask = ((mask << 1) & 7) | 1;
      ++position;
      continue;
    }
    uint32_t source = static_cast<uint32_t>(operand[0]) | (static_cast<uint32_t>(operand[1]) << 8) |
                      (static_cast<uint32_t>(operand[2]) << 16) |
                      (static_cast<uint32_t>(operand[3]) << 24);
    // The instruction ends five bytes after its opcode; targets are relative
    // to that.
    const uint32_t next_instruction = static_cast<uint32_t>(position + 5);
    uint32_t target = 0;
    for (;;) {
      target = source - next_instruction;
      if (mask == 0)
        break;
      const unsigned shift = kMaskToByteIndex[mask] * 8;
      if (!IsNearTopByte(static_cast<uint8_t>(target >> (24 - shift))))
        break;
      source = target ^ ((1u << (32 - shift)) - 1);
    }
    operand[3] = (target & (1u << 24)) ? 0xFF : 0x00;
    operand[2] = static_cast<uint8_t>(target >> 16);
    operand[1] = static_cast<uint8_t>(target >> 8);
    operand[0] = static_cast<uint8_t>(target);
    position += 5;
  }
  mask_ = mask;
  previous_ = previous;
  position_ = position;
}

}  // namespace velta::seven_zip
