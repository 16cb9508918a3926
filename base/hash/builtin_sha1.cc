// Copyright 2026 Velta Software. All rights reserved.

#include "base/hash/builtin_sha1.h"

#include <string.h>

#include <algorithm>

namespace base {

namespace {

constexpr uint32_t RotateLeft(uint32_t value, int bits) {
  return (value << bits) | (value >> (32 - bits));
}

}  // namespace

BuiltinSha1::BuiltinSha1()
    : state_{0x67452301u, 0xEFCDAB89u, 0x98BADCFEu, 0x10325476u, 0xC3D2E1F0u} {}

BuiltinSha1::~BuiltinSha1() = default;

void BuiltinSha1::ProcessBlock(const uint8_t* block) {
  uint32_t words[80];
  for (int i = 0; i < 16; ++i) {
    words[i] = static_cast<uint32_t>(block[4 * i]) << 24 |
               static_cast<uint32_t>(block[4 * i + 1]) << 16 |
               static_cast<uint32_t>(block[4 * i + 2]) << 8 | block[4 * i + 3];
  }
  for (int i = 16; i < 80; ++i)
    words[i] = RotateLeft(words[i - 3] ^ words[i - 8] ^ words[i - 14] ^ words[i - 16], 1);
  uint32_t a = state_[0], b = state_[1], c = state_[2], d = state_[3], e = state_[4];
  for (int i = 0; i < 80; ++i) {
    uint32_t f;
    uint32_t k;
    if (i < 20) {
      f = (b & c) | (~b & d);
      k = 0x5A827999u;
    } else if (i < 40) {
      f = b ^ c ^ d;
      k = 0x6ED9EBA1u;
    } else if (i < 60) {
      f = (b & c) | (b & d) | (c & d);
      k = 0x8F1BBCDCu;
    } else {
      f = b ^ c ^ d;
      k = 0xCA62C1D6u;
    }
    const uint32_t next = RotateLeft(a, 5) + f + e + k + words[i];
    e = d;
    d = c;
    c = RotateLeft(b, 30);
    b = a;
    a = next;
  }
  state_[0] += a;
  state_[1] += b;
  state_[2] += c;
  state_[3] += d;
  state_[4] += e;
}

void BuiltinSha1::Update(const void* input, size_t length) {
  const uint8_t* bytes = static_cast<const uint8_t*>(input);
  total_bytes_ += length;
  while (length > 0) {
    const size_t piece = std::min(length, buffer_.size() - buffered_);
    memcpy(buffer_.data() + buffered_, bytes, piece);
    buffered_ += piece;
    bytes += piece;
    length -= piece;
    if (buffered_ == buffer_.size()) {
      ProcessBlock(buffer_.data());
      buffered_ = 0;
    }
  }
}

std::array<uint8_t, BuiltinSha1::kDigestLength> BuiltinSha1::Finish() {
  const uint64_t total_bits = total_bytes_ * 8;
  // 0x80, zeros up to 56 bytes into a block, then the length in bits.
  static constexpr uint8_t kPadding[64] = {0x80};
  const size_t padding = buffered_ < 56 ? 56 - buffered_ : 120 - buffered_;
  Update(kPadding, padding);
  uint8_t length_bytes[8];
  for (int i = 0; i < 8; ++i)
    length_bytes[i] = static_cast<uint8_t>(total_bits >> (56 - 8 * i));
  Update(length_bytes, sizeof(length_bytes));
  std::array<uint8_t, kDigestLength> digest;
  for (size_t i = 0; i < state_.size(); ++i) {
    digest[4 * i] = static_cast<uint8_t>(state_[i] >> 24);
    digest[4 * i + 1] = static_cast<uint8_t>(state_[i] >> 16);
    digest[4 * i + 2] = static_cast<uint8_t>(state_[i] >> 8);
    digest[4 * i + 3] = static_cast<uint8_t>(state_[i]);
  }
  return digest;
}

}  // namespace base
