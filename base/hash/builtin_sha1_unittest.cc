// Copyright 2026 Velta Software. All rights reserved.

#include "base/hash/builtin_sha1.h"

#include <string>

#include "gtest/gtest.h"

namespace base {
namespace {

std::string Hex(const std::array<uint8_t, BuiltinSha1::kDigestLength>& digest) {
  static const char kDigits[] = "0123456789abcdef";
  std::string hex;
  for (uint8_t byte : digest) {
    hex.push_back(kDigits[byte >> 4]);
    hex.push_back(kDigits[byte & 0xF]);
  }
  return hex;
}

// The input fed in pieces of `piece` bytes (0: all at once).
std::string Digest(const std::string& input, size_t piece) {
  BuiltinSha1 sha1;
  if (piece == 0) {
    sha1.Update(input.data(), input.size());
  } else {
    for (size_t offset = 0; offset < input.size(); offset += piece)
      sha1.Update(input.data() + offset, std::min(piece, input.size() - offset));
  }
  return Hex(sha1.Finish());
}

struct Sha1Vector {
  const char* name;
  std::string input;
  const char* digest;
};

// The FIPS 180 examples, and lengths around the padding's block boundary
// (55 bytes fit one block with the length, 56 need a second one).
const Sha1Vector kVectors[] = {
    {.name = "empty", .input = "", .digest = "da39a3ee5e6b4b0d3255bfef95601890afd80709"},
    {.name = "abc", .input = "abc", .digest = "a9993e364706816aba3e25717850c26c9cd0d89d"},
    {.name = "two_blocks",
     .input = "abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
     .digest = "84983e441c3bd26ebaae4aa1f95129e5e54670f1"},
    {.name = "896_bits",
     .input = "abcdefghbcdefghicdefghijdefghijkefghijklfghijklmghijklmnhijklmnoijklmnopjklmnopq"
              "klmnopqrlmnopqrsmnopqrstnopqrstu",
     .digest = "a49b2446a02c645bf419f995b67091253a04a259"},
    {.name = "million_a",
     .input = std::string(1000000, 'a'),
     .digest = "34aa973cd4c4daa4f61eeb2bdbad27316534016f"},
    {.name = "55_bytes",
     .input = std::string(55, 'a'),
     .digest = "c1c8bbdc22796e28c0e15163d20899b65621d65a"},
    {.name = "64_bytes",
     .input = std::string(64, 'a'),
     .digest = "0098ba824b5c16427bd7a1122a5a442a25ec644d"},
};

class BuiltinSha1Test : public testing::TestWithParam<Sha1Vector> {};

TEST_P(BuiltinSha1Test, MatchesTheKnownDigestInAnyPieces) {
  for (size_t piece : {0u, 1u, 3u, 63u, 64u, 65u, 65536u}) {
    EXPECT_EQ(GetParam().digest, Digest(GetParam().input, piece)) << "pieces of " << piece;
  }
}

INSTANTIATE_TEST_SUITE_P(Fips180,
                         BuiltinSha1Test,
                         testing::ValuesIn(kVectors),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace base
