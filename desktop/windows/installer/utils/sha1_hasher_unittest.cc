// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/utils/sha1_hasher.h"

#include <string>

#include "base/strings/string_number_conversions.h"
#include "base/strings/string_util.h"
#include "gtest/gtest.h"

namespace velta {
namespace {

std::string ToHex(const Sha1Hasher::Digest& digest) {
  return base::ToLowerASCII(base::HexEncode(digest));
}

std::string HashInPieces(const std::string& message, size_t piece) {
  Sha1Hasher hasher;
  for (size_t at = 0; at < message.size(); at += piece)
    hasher.Update(message.data() + at, std::min(piece, message.size() - at));
  return ToHex(hasher.Finish());
}

struct Sha1Vector {
  std::string message;
  const char* digest;
};

// FIPS 180 example messages, and lengths around the padding boundary
// (55 bytes fit one block with the length, 56 need a second one).
std::vector<Sha1Vector> Vectors() {
  return {
      {"", "da39a3ee5e6b4b0d3255bfef95601890afd80709"},
      {"abc", "a9993e364706816aba3e25717850c26c9cd0d89d"},
      {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
       "84983e441c3bd26ebaae4aa1f95129e5e54670f1"},
      {"abcdefghbcdefghicdefghijdefghijkefghijklfghijklmghijklmnhijklmnoijklmnopjklmnopqklmnopqrlm"
       "nopqrsmnopqrstnopqrstu",
       "a49b2446a02c645bf419f995b67091253a04a259"},
      {std::string(1000000, 'a'), "34aa973cd4c4daa4f61eeb2bdbad27316534016f"},
      {std::string(55, 'a'), "c1c8bbdc22796e28c0e15163d20899b65621d65a"},
      {std::string(56, 'a'), "c2db330f6083854c99d4b5bfb6e8f29f201be699"},
      {std::string(64, 'a'), "0098ba824b5c16427bd7a1122a5a442a25ec644d"},
  };
}

TEST(Sha1HasherTest, MatchesKnownDigestsWhateverThePieces) {
  for (const Sha1Vector& vector : Vectors()) {
    for (size_t piece : {size_t{1}, size_t{3}, size_t{63}, size_t{64}, size_t{65}, size_t{4096}}) {
      if (piece == 1 && vector.message.size() > 10000)
        continue;
      EXPECT_EQ(vector.digest, HashInPieces(vector.message, piece))
          << vector.message.size() << " bytes in pieces of " << piece;
    }
  }
}

TEST(Sha1HasherTest, FinishStartsOver) {
  Sha1Hasher hasher;
  hasher.Update("garbage", 7);
  hasher.Finish();
  hasher.Update("abc", 3);
  EXPECT_EQ("a9993e364706816aba3e25717850c26c9cd0d89d", ToHex(hasher.Finish()));
}

}  // namespace
}  // namespace velta
