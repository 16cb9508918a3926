// Copyright 2026 Velta Software. All rights reserved.

#include "base/types/to_underlying.h"

#include <stdint.h>

#include <type_traits>

#include "gtest/gtest.h"

namespace base {
namespace {

enum class Narrow : int8_t { kLowest = -128, kHighest = 127 };
enum class Wide : uint32_t { kZero = 0, kHighest = 0xFFFFFFFF };
enum Plain : uint16_t { kPlainHighest = 0xFFFF };

// The result keeps the enumeration's own integer type, so a value is neither
// widened with the wrong sign nor narrowed on its way out.
static_assert(std::is_same_v<int8_t, decltype(to_underlying(Narrow::kLowest))>);
static_assert(std::is_same_v<uint32_t, decltype(to_underlying(Wide::kHighest))>);
static_assert(std::is_same_v<uint16_t, decltype(to_underlying(kPlainHighest))>);
static_assert(to_underlying(Wide::kHighest) == 0xFFFFFFFFu);

TEST(ToUnderlyingTest, KeepsSignAndWidthAtBothEnds) {
  EXPECT_EQ(-128, to_underlying(Narrow::kLowest));
  EXPECT_EQ(127, to_underlying(Narrow::kHighest));
  EXPECT_EQ(0u, to_underlying(Wide::kZero));
  EXPECT_EQ(0xFFFFFFFFu, to_underlying(Wide::kHighest));
  EXPECT_EQ(0xFFFFu, to_underlying(kPlainHighest));
  // A value outside the listed enumerators, as a file could carry it.
  EXPECT_EQ(9u, to_underlying(static_cast<Wide>(9)));
}

}  // namespace
}  // namespace base
