// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/lzma_util/seven_zip/byte_reader.h"

#include <vector>

#include "gtest/gtest.h"

namespace velta::seven_zip {
namespace {

struct NumberCase {
  std::vector<uint8_t> bytes;
  uint64_t value;
};

class ByteReaderNumberTest : public testing::TestWithParam<NumberCase> {};

TEST_P(ByteReaderNumberTest, DecodesAndConsumesExactly) {
  const NumberCase& c = GetParam();
  std::vector<uint8_t> bytes = c.bytes;
  bytes.push_back(0xAB);  // Must stay unread.
  ByteReader reader(bytes.data(), bytes.size());
  uint64_t value = 0;
  ASSERT_TRUE(reader.ReadNumber(&value));
  EXPECT_EQ(c.value, value);
  EXPECT_EQ(1u, reader.remaining());
}

TEST_P(ByteReaderNumberTest, FailsWhenCutShortWithoutConsuming) {
  const NumberCase& c = GetParam();
  for (size_t length = 0; length < c.bytes.size(); ++length) {
    ByteReader reader(c.bytes.data(), length);
    uint64_t value = 0;
    EXPECT_FALSE(reader.ReadNumber(&value)) << "length " << length;
    EXPECT_EQ(length, reader.remaining());
  }
}

INSTANTIATE_TEST_SUITE_P(
    Encodings, ByteReaderNumberTest,
    testing::Values(NumberCase{{0x00}, 0}, NumberCase{{0x7F}, 0x7F},
                    NumberCase{{0x80, 0x80}, 0x80}, NumberCase{{0xBF, 0xFF}, 0x3FFF},
                    NumberCase{{0xC0, 0x00, 0x40}, 0x4000},
                    NumberCase{{0xE1, 0x02, 0x03, 0x04}, 0x01040302},
                    NumberCase{{0xFE, 1, 2, 3, 4, 5, 6, 7}, 0x07060504030201},
                    NumberCase{{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF},
                               0xFFFFFFFFFFFFFFFF}));

TEST(ByteReaderTest, NumberUpToRefusesLargerValuesWithoutConsuming) {
  const uint8_t bytes[] = {0x80, 0x90};
  ByteReader reader(bytes, sizeof(bytes));
  uint64_t value = 0;
  EXPECT_FALSE(reader.ReadNumberUpTo(0x8F, &value));
  EXPECT_EQ(2u, reader.remaining());
  EXPECT_TRUE(reader.ReadNumberUpTo(0x90, &value));
  EXPECT_EQ(0x90u, value);
}

TEST(ByteReaderTest, FixedWidthReadsAreLittleEndianAndBounded) {
  const uint8_t bytes[] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11};
  ByteReader reader(bytes, sizeof(bytes));
  uint32_t u32 = 0;
  uint64_t u64 = 0;
  ASSERT_TRUE(reader.ReadUInt32(&u32));
  EXPECT_EQ(0x04030201u, u32);
  EXPECT_FALSE(reader.ReadUInt64(&u64));  // Only 7 left.
  EXPECT_EQ(7u, reader.remaining());
  ByteReader sub(nullptr, 0);
  EXPECT_FALSE(reader.ReadSubReader(8, &sub));
  ASSERT_TRUE(reader.ReadSubReader(3, &sub));
  EXPECT_EQ(3u, sub.remaining());
  EXPECT_EQ(4u, reader.remaining());
  EXPECT_FALSE(reader.Skip(5));
  EXPECT_TRUE(reader.Skip(4));
}

}  // namespace
}  // namespace velta::seven_zip
