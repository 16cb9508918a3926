// Copyright 2026 Velta Software. All rights reserved.

#include "base/big_endian.h"

#include <string>

#include "gtest/gtest.h"

namespace base {
namespace {

TEST(BigEndianTest, WritesMostSignificantFirstAndReadsBack) {
  std::string out = "x";
  AppendBigEndian32(0x0000017F, &out);
  AppendBigEndian32(0xFEDCBA98, &out);
  EXPECT_EQ(std::string("x\x00\x00\x01\x7F\xFE\xDC\xBA\x98", 9), out);
  uint32_t value = 0;
  ASSERT_TRUE(ReadBigEndian32(out, 1, &value));
  EXPECT_EQ(0x17Fu, value);
  ASSERT_TRUE(ReadBigEndian32(out, 5, &value));
  EXPECT_EQ(0xFEDCBA98u, value);
}

TEST(BigEndianTest, RefusesToReadPastTheEnd) {
  const std::string data("\x01\x02\x03\x04\x05", 5);
  uint32_t value = 7;
  EXPECT_FALSE(ReadBigEndian32(data, 2, &value));
  EXPECT_FALSE(ReadBigEndian32(data, 9, &value));
  EXPECT_EQ(7u, value);
}

}  // namespace
}  // namespace base
