// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/wininet/byte_range.h"

#include <stdint.h>

#include "gtest/gtest.h"

namespace velta {
namespace {

constexpr uint64_t kGiB = 1024ull * 1024 * 1024;

TEST(ByteRangeTest, ResumeHeaderKeepsOffsetsPastTwoAndFourGiB) {
  const struct {
    uint64_t offset;
    const wchar_t* header;
  } cases[] = {
      {.offset = 0, .header = L"Range: bytes=0-"},
      {.offset = 2 * kGiB - 1, .header = L"Range: bytes=2147483647-"},
      {.offset = 2 * kGiB, .header = L"Range: bytes=2147483648-"},
      {.offset = 4 * kGiB, .header = L"Range: bytes=4294967296-"},
      {.offset = 5 * kGiB + 7, .header = L"Range: bytes=5368709127-"},
      {.offset = UINT64_MAX, .header = L"Range: bytes=18446744073709551615-"},
  };
  for (const auto& test_case : cases)
    EXPECT_EQ(test_case.header, ResumeRangeHeader(test_case.offset)) << test_case.offset;
}

TEST(ByteRangeTest, ContentRangeTakesLargeValuesAndRefusesMalformedOnes) {
  const struct {
    const wchar_t* value;
    bool valid;
    uint64_t first;
    uint64_t last;
    uint64_t total;  // 0: "*".
  } cases[] = {
      {L"bytes 100-299/300", true, 100, 299, 300},
      {L"bytes 4294967296-6442450943/6442450944", true, 4 * kGiB, 6 * kGiB - 1, 6 * kGiB},
      {L"bytes 2147483648-2147483648/*", true, 2 * kGiB, 2 * kGiB, 0},
      {L"bytes 0-18446744073709551614/18446744073709551615", true, 0, UINT64_MAX - 1,
       UINT64_MAX},
      // One past the largest value: refused, never wrapped.
      {L"bytes 18446744073709551616-1/2", false, 0, 0, 0},
      {L"bytes 300-299/300", false, 0, 0, 0},
      {L"bytes 0-300/300", false, 0, 0, 0},
      {L"bytes */300", false, 0, 0, 0},
      {L"bytes -1-5/10", false, 0, 0, 0},
      {L"bytes +1-5/10", false, 0, 0, 0},
      {L"bytes 1 -5/10", false, 0, 0, 0},
      {L"bytes 1-5/", false, 0, 0, 0},
      {L"bytes 1-5", false, 0, 0, 0},
      {L"items 1-5/10", false, 0, 0, 0},
      {L"", false, 0, 0, 0},
  };
  for (const auto& test_case : cases) {
    SCOPED_TRACE(test_case.value);
    std::optional<ContentRange> range = ParseContentRange(test_case.value);
    ASSERT_EQ(test_case.valid, range.has_value());
    if (!range)
      continue;
    EXPECT_EQ(test_case.first, range->first);
    EXPECT_EQ(test_case.last, range->last);
    EXPECT_EQ(test_case.total, range->total.value_or(0));
  }
}

TEST(ByteRangeTest, ContentLengthIsPlainDecimal) {
  EXPECT_EQ(6 * kGiB, ParseContentLength(L"6442450944"));
  EXPECT_EQ(0u, ParseContentLength(L"0"));
  for (const wchar_t* refused : {L"", L"-1", L"+5", L" 5", L"5 ", L"0x10", L"18446744073709551616"})
    EXPECT_FALSE(ParseContentLength(refused).has_value()) << refused;
}

}  // namespace
}  // namespace velta
