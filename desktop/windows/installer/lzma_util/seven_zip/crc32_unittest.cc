// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/lzma_util/seven_zip/crc32.h"

#include <cstring>
#include <vector>

#include "gtest/gtest.h"

namespace velta::seven_zip {
namespace {

TEST(Crc32Test, MatchesTheStandardCheckValue) {
  const char* text = "123456789";
  EXPECT_EQ(0xCBF43926u, Crc32::Compute(reinterpret_cast<const uint8_t*>(text), 9));
  EXPECT_EQ(0u, Crc32::Compute(nullptr, 0));
}

// The eight-byte path and the byte path must agree at every split and
// alignment.
TEST(Crc32Test, PiecewiseUpdatesEqualOneBlock) {
  std::vector<uint8_t> data(1000);
  for (size_t i = 0; i < data.size(); ++i)
    data[i] = static_cast<uint8_t>(i * 131 + (i >> 3));
  const uint32_t whole = Crc32::Compute(data.data(), data.size());
  for (size_t split = 0; split <= 40; ++split) {
    Crc32 crc;
    crc.Update(data.data(), split);
    crc.Update(data.data() + split, data.size() - split);
    EXPECT_EQ(whole, crc.Value()) << "split at " << split;
  }
  // Unaligned start.
  std::vector<uint8_t> shifted(data.size() + 3);
  std::memcpy(shifted.data() + 3, data.data(), data.size());
  EXPECT_EQ(whole, Crc32::Compute(shifted.data() + 3, data.size()));
}

}  // namespace
}  // namespace velta::seven_zip
