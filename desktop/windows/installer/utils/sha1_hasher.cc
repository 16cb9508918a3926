// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/utils/sha1_hasher.h"

#include <string.h>

namespace velta {

namespace {

uint32_t RotateLeft(uint32_t value, int bits) {
  return (value << bits) | (value >> (32 - bits));
}

uint32_t ReadBigEndian32(const uint8_t* bytes) {
  return (static_cast<uint32_t>(bytes[0]) << 24) | (static_cast<uint32_t>(bytes[1]) << 16) |
         (static_cast<uint32_t>(bytes[2]) << 8) | static_cast<uint32_t>(bytes[3]);
}

}  // namespace

Sha1Hasher::Sha1Hasher() {
  Reset();
}

Sha1Hasher::~Sha1Hasher() = default;

void Sha1Hasher::Reset() {
  state_[0] = 0x67452301;
  state_[1] = 0xEFCDAB89;
  state_[2] = 0x98BADCFE;
  state_[3] = 0x10325476;
  state_[4] = 0xC3D2E1F0;
  length_bytes_ = 0;
  buffered_ = 0;
}

void Sha1Hasher::Update(const void* data, size_t size) {
  const uint8_t* bytes = static_cast<const uint8_t*>(data);
  length_bytes_ += size;
  if (buffered_ > 0) {
    const size_t take = size < kBlockSize - buffered_ ? size : kBlockSize - buffered_;
    memcpy(buffer_ + buffered_, bytes, take);
    buffered_ += take;
    bytes += take;
    size -= take;
    if (buffered_ < kBlockSize)
      return;
    ProcessBlock(buffer_);
    buffered_ = 0;
  }
  for (; size >= kBlockSize; bytes += kBlockSize, size -= kBlockSize)
    ProcessBlock(bytes);
  memcpy(buffer_, bytes, size);
  buffered_ = size;
}

Sha1Hasher::Digest Sha1Hasher::Finish() {
  const uint64_t length_bits = length_bytes_ * 8;
  const uint8_t terminator = 0x80;
  Update(&terminator, 1);
  const uint8_t zero = 0;
  while (buffered_ != kBlockSize - 8)
    Update(&zero, 1);
  uint8_t length[8];
  for (int i = 0; i < 8; ++i)
    length[i] = static_cast<uint8_t>(length_bits >> (56 - 8 * i));
  Update(length, sizeof(length));

  Digest digest;
  for (size_t i = 0; i < kDigestSize; ++i)
    digest[i] = static_cast<uint8_t>(state_[i / 4] >> (24 - 8 * (i % 4)));
  Reset();
  return digest;
}

void Sha1Hasher::ProcessBlock(const uint8_t* block) {
  uint32_t w[80];
  for (int i = 0; i < 16; ++i)
    w[i] = ReadBigEndian32(block + 4 * i);
  for (int i = 16; i < 80; ++i)
    w[i] = RotateLeft(w[i - 3] ^ w[i - 8] ^ w[i - 14] ^ w[i - 16], 1);

  uint32_t a = state_[0];
  uint32_t b = state_[1];
  uint32_t c = state_[2];
  uint32_t d = state_[3];
  uint32_t e = state_[4];
  for (int i = 0; i < 80; ++i) {
    uint32_t f;
    uint32_t k;
    if (i < 20) {
      f = (b & c) | (~b & d);
      k = 0x5A827999;
    } else if (i < 40) {
      f = b ^ c ^ d;
      k = 0x6ED9EBA1;
    } else if (i < 60) {
      f = (b & c) | (b & d) | (c & d);
      k = 0x8F1BBCDC;
    } else {
      f = b ^ c ^ d;
      k = 0xCA62C1D6;
    }
    const uint32_t temp = RotateLeft(a, 5) + f + e + k + w[i];
    e = d;
    d = c;
    c = RotateLeft(b, 30);
    b = a;
    a = temp;
  }
  state_[0] += a;
  state_[1] += b;
  state_[2] += c;
  state_[3] += d;
  state_[4] += e;
}

}  // namespace velta
