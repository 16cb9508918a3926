// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/lzma_util/seven_zip/bcj_x86_filter.h"

#include <algorithm>
#include <cstdint>
#include <random>
#include <vector>

#include "gtest/gtest.h"

namespace velta::seven_zip {
namespace {

// Bytes where CALL/JMP opcodes come alone and in runs of two or three, with
// operands whose top byte is near (00/FF) or not: every state the filter
// carries from one byte to the next.
std::vector<uint8_t> BranchHeavyBytes(size_t size, uint32_t seed) {
  static constexpr uint8_t kAlphabet[] = {0xE8, 0xE9, 0xE8, 0x00, 0xFF, 0x00, 0xFF, 0x12, 0x90};
  std::mt19937 rng(seed);
  std::vector<uint8_t> data(size);
  for (uint8_t& b : data) {
    b = rng() % 4 == 0 ? static_cast<uint8_t>(rng())
                       : kAlphabet[rng() % (sizeof(kAlphabet) / sizeof(kAlphabet[0]))];
  }
  return data;
}

// A stream filtered as its decoded prefix grows, in steps of every kind (one
// byte, fewer than an instruction, exactly one, uneven, none at all), gives
// the bytes of one pass over the whole.
TEST(BcjX86FilterTest, GrowingPrefixesEqualOnePass) {
  struct Case {
    size_t size;
    size_t step;  // 0: random steps of 0 to 40 bytes.
  };
  const Case cases[] = {
      {.size = 4, .step = 1},    {.size = 5, .step = 1},    {.size = 9, .step = 2},
      {.size = 3000, .step = 1}, {.size = 3000, .step = 3}, {.size = 3000, .step = 4},
      {.size = 3000, .step = 5}, {.size = 3000, .step = 7}, {.size = 3001, .step = 1024},
      {.size = 4096, .step = 0}, {.size = 65536, .step = 0},
  };
  for (const Case& c : cases) {
    for (uint32_t seed = 1; seed <= 5; ++seed) {
      SCOPED_TRACE(testing::Message() << c.size << " bytes in steps of " << c.step << ", seed "
                                      << seed);
      const std::vector<uint8_t> original = BranchHeavyBytes(c.size, seed);
      std::vector<uint8_t> whole = original;
      std::vector<uint8_t> pieces = original;
      BcjX86Filter::Decode(whole.data(), whole.size());
      if (c.size >= 3000) {
        ASSERT_NE(original, whole) << "nothing converted";
      }

      std::mt19937 rng(seed);
      BcjX86Filter filter;
      size_t decoded = 0;
      while (decoded < pieces.size()) {
        decoded = std::min(pieces.size(), decoded + (c.step ? c.step : rng() % 41));
        filter.Filter(pieces.data(), decoded);
        // Nothing at or past the decoded end was touched.
        ASSERT_TRUE(std::equal(pieces.begin() + decoded, pieces.end(),
                               original.begin() + decoded));
      }
      filter.Filter(pieces.data(), pieces.size());
      EXPECT_EQ(whole, pieces);
    }
  }
}

}  // namespace
}  // namespace velta::seven_zip
