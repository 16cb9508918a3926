// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/lzma_util/seven_zip/bcj2_decoder.h"

namespace velta::seven_zip {

namespace {

constexpr uint32_t kTopValue = 1u << 24;
constexpr unsigned kProbabilityBits = 11;
constexpr uint32_t kProbabilityOne = 1u << kProbabilityBits;
constexpr unsigned kAdaptShift = 5;

// The range decoder of the "converted" bits: a binary adaptive coder with
// 11-bit probabilities, as in LZMA.
class BitDecoder {
 public:
  explicit BitDecoder(Bcj2Decoder::Stream stream)
      : next_(stream.data), end_(stream.data + stream.size) {}

  bool Init() {
    for (int i = 0; i < 5; ++i) {
      if (next_ == end_)
        return false;
      code_ = (code_ << 8) | *next_++;
    }
    return true;
  }

  // Returns 0 or 1, or -1 when the stream ran out.
  int DecodeBit(uint16_t* probability) {
    const uint32_t bound = (range_ >> kProbabilityBits) * *probability;
    int bit = 0;
    if (code_ < bound) {
      range_ = bound;
      *probability =
          static_cast<uint16_t>(*probability + ((kProbabilityOne - *probability) >> kAdaptShift));
    } else {
      range_ -= bound;
      code_ -= bound;
      *probability = static_cast<uint16_t>(*probability - (*probability >> kAdaptShift));
      bit = 1;
    }
    if (range_ < kTopValue) {
      if (next_ == end_)
        return -1;
      range_ <<= 8;
      code_ = (code_ << 8) | *next_++;
    }
    return bit;
  }

 private:
  const uint8_t* next_;
  const uint8_t* const end_;
  uint32_t range_ = 0xFFFFFFFF;
  uint32_t code_ = 0;
};

// Whether `b` (after `previous`) is an opcode the encoder may have
// converted: CALL, JMP, or the second byte of a two-byte Jcc (0F 8x).
inline bool IsBranch(uint8_t previous, uint8_t b) {
  return (b & 0xFE) == 0xE8 || (previous == 0x0F && (b & 0xF0) == 0x80);
}

}  // namespace

// static
ResultCode Bcj2Decoder::Decode(Stream main, Stream calls, Stream jumps, Stream range_coded,
                               uint8_t* out, size_t out_size, std::string* error) {
  // One probability per byte before an E8, one for E9, one for Jcc.
  uint16_t probabilities[256 + 2];
  for (uint16_t& probability : probabilities)
    probability = kProbabilityOne >> 1;

  BitDecoder bits(range_coded);
  if (!bits.Init()) {
    *error = "The BCJ2 range-coded stream is too short";
    return ResultCode::kDataError;
  }

  size_t in_position = 0;
  size_t out_position = 0;
  uint8_t previous = 0;
  for (;;) {
    // Copy plain bytes up to and including the next branch opcode.
    bool found_branch = false;
    uint8_t before_opcode = 0;
    while (in_position < main.size && out_position < out_size) {
      const uint8_t b = main.data[in_position++];
      out[out_position++] = b;
      if (IsBranch(previous, b)) {
        before_opcode = previous;
        previous = b;
        found_branch = true;
        break;
      }
      previous = b;
    }
    if (out_position == out_size)
      break;
    if (!found_branch) {
      *error = "The BCJ2 main stream ends early";
      return ResultCode::kDataError;
    }

    const uint8_t opcode = previous;
    uint16_t* probability = opcode == 0xE8   ? &probabilities[before_opcode]
                            : opcode == 0xE9 ? &probabilities[256]
                                             : &probabilities[257];
    const int converted = bits.DecodeBit(probability);
    if (converted < 0) {
      *error = "The BCJ2 range-coded stream ends early";
      return ResultCode::kDataError;
    }
    if (converted == 0)
      continue;

    Stream* targets = opcode == 0xE8 ? &calls : &jumps;
    if (targets->size < 4) {
      *error = "The BCJ2 branch target stream ends early";
      return ResultCode::kDataError;
    }
    const uint8_t* t = targets->data;
    const uint32_t absolute = (static_cast<uint32_t>(t[0]) << 24) |
                              (static_cast<uint32_t>(t[1]) << 16) |
                              (static_cast<uint32_t>(t[2]) << 8) | t[3];
    targets->data += 4;
    targets->size -= 4;
    // Relative to the end of the 4-byte operand.
    const uint32_t relative = absolute - static_cast<uint32_t>(out_position + 4);
    for (int i = 0; i < 4 && out_position < out_size; ++i)
      out[out_position++] = static_cast<uint8_t>(relative >> (8 * i));
    previous = static_cast<uint8_t>(relative >> 24);
  }
  return ResultCode::kOk;
}

}  // namespace velta::seven_zip
