// Copyright 2026 Velta Software. All rights reserved.

#include "base/strings/string_number_conversions.h"

#include <limits.h>
#include <math.h>
#include <stdint.h>

#include <limits>

#include "base/strings/utf_string_conversions.h"
#include "gmock/gmock.h"
#include "gtest/gtest.h"

namespace base {
namespace {

using ::testing::ElementsAre;

template <typename T>
struct IntCase {
  std::string_view input;
  T output;
  bool success;
};

const IntCase<int> kIntCases[] = {
    {"0", 0, true},
    {"42", 42, true},
    {"+42", 42, true},
    {"-0", 0, true},
    {"-2147483648", INT_MIN, true},
    {"2147483647", INT_MAX, true},
    {"000000000000000000000042", 42, true},
    {"2147483648", INT_MAX, false},   // INT_MAX + 1 saturates
    {"-2147483649", INT_MIN, false},  // INT_MIN - 1 saturates
    {"99999999999999999999", INT_MAX, false},
    {"  12", 12, false},  // leading white space converts but fails
    {"\t\n\v\f\r 12", 12, false},
    {"12 ", 12, false},
    {"12abc", 12, false},
    {"1.5", 1, false},
    {"abc", 0, false},
    {"", 0, false},
    {"-", 0, false},
    {"+", 0, false},
    {"++1", 0, false},
    {"+-1", 0, false},
    {"- 1", 0, false},
    {"0x10", 0, false},
    {std::string_view("1\0" "2", 3), 1, false},  // a NUL ends nothing
};

void PrintTo(const IntCase<int>& c, std::ostream* os) {
  *os << '"' << c.input << '"';
}

class StringToIntTest : public ::testing::TestWithParam<IntCase<int>> {};

TEST_P(StringToIntTest, NarrowAndWideAgree) {
  const IntCase<int>& c = GetParam();
  const std::string input(c.input);
  int narrow = -1;
  EXPECT_EQ(c.success, StringToInt(input, &narrow)) << input;
  EXPECT_EQ(c.output, narrow) << input;
  int wide = -1;
  EXPECT_EQ(c.success, StringToInt(ASCIIToWide(input), &wide)) << input;
  EXPECT_EQ(c.output, wide) << input;
}

INSTANTIATE_TEST_SUITE_P(Boundaries, StringToIntTest, ::testing::ValuesIn(kIntCases));

TEST(StringNumberConversionsTest, UnsignedRefusesAnyMinus) {
  unsigned value = 7;
  EXPECT_FALSE(StringToUint("-0", &value));
  EXPECT_EQ(0u, value);
  EXPECT_FALSE(StringToUint("-1", &value));
  EXPECT_TRUE(StringToUint("4294967295", &value));
  EXPECT_EQ(UINT_MAX, value);
  EXPECT_FALSE(StringToUint("4294967296", &value));
  EXPECT_EQ(UINT_MAX, value);
  uint64_t value64 = 0;
  EXPECT_TRUE(StringToUint64("18446744073709551615", &value64));
  EXPECT_EQ(std::numeric_limits<uint64_t>::max(), value64);
  EXPECT_FALSE(StringToUint64("18446744073709551616", &value64));
  EXPECT_EQ(std::numeric_limits<uint64_t>::max(), value64);
  EXPECT_FALSE(StringToUint64(L"-5", &value64));
  size_t size = 0;
  EXPECT_TRUE(StringToSizeT(L"+123", &size));
  EXPECT_EQ(123u, size);
  EXPECT_FALSE(StringToSizeT("", &size));
}

TEST(StringNumberConversionsTest, Int64Boundaries) {
  int64_t value = 0;
  EXPECT_TRUE(StringToInt64("-9223372036854775808", &value));
  EXPECT_EQ(std::numeric_limits<int64_t>::min(), value);
  EXPECT_TRUE(StringToInt64(L"9223372036854775807", &value));
  EXPECT_EQ(std::numeric_limits<int64_t>::max(), value);
  EXPECT_FALSE(StringToInt64("9223372036854775808", &value));
  EXPECT_EQ(std::numeric_limits<int64_t>::max(), value);
  EXPECT_FALSE(StringToInt64("-9223372036854775809", &value));
  EXPECT_EQ(std::numeric_limits<int64_t>::min(), value);
  // A status file's extension: "1700000000123" fits only in 64 bits.
  EXPECT_TRUE(StringToInt64("1700000000123", &value));
  EXPECT_EQ(1700000000123LL, value);
  // Non-ASCII digits are not digits.
  EXPECT_FALSE(StringToInt64(L"1\u0661", &value));
  EXPECT_EQ(1, value);
}

TEST(StringNumberConversionsTest, IntegerRoundTrips) {
  const int64_t values[] = {0, 1, -1, 10, INT_MAX, INT_MIN, std::numeric_limits<int64_t>::max(),
                            std::numeric_limits<int64_t>::min()};
  for (int64_t v : values) {
    int64_t back = 0;
    EXPECT_TRUE(StringToInt64(NumberToString(static_cast<long long>(v)), &back)) << v;
    EXPECT_EQ(v, back);
    EXPECT_TRUE(StringToInt64(NumberToWString(static_cast<long long>(v)), &back)) << v;
    EXPECT_EQ(v, back);
  }
  EXPECT_EQ("4294967295", NumberToString(UINT_MAX));
  EXPECT_EQ(L"-7", NumberToWString(-7));
  EXPECT_EQ("18446744073709551615", NumberToString(std::numeric_limits<unsigned long long>::max()));
}

struct DoubleCase {
  const char* input;
  double output;
  bool success;
};

TEST(StringNumberConversionsTest, StringToDouble) {
  const DoubleCase cases[] = {
      {"0", 0.0, true},
      {"1.5", 1.5, true},
      {"-1.5", -1.5, true},
      {"+1.5", 1.5, true},
      {".5", 0.5, true},
      {"1.", 1.0, true},
      {"1e3", 1000.0, true},
      {"1E-3", 0.001, true},
      {"2.5e+2", 250.0, true},
      {"1e-400", 0.0, true},  // too small: zero, and fine
      {"1e400", HUGE_VAL, false},
      {"-1e400", -HUGE_VAL, false},
      {"  1.5", 1.5, false},
      {"1.5 ", 1.5, false},
      {"1.5x", 1.5, false},
      {"1e", 1.0, false},
      {"1e+", 1.0, false},
      {"1.2.3", 1.2, false},
      {"", 0.0, false},
      {".", 0.0, false},
      {"-", 0.0, false},
      {"e5", 0.0, false},
      {"inf", 0.0, false},
      {"NaN", 0.0, false},
      {"0x10", 0.0, false},
  };
  for (const DoubleCase& c : cases) {
    double narrow = -99;
    EXPECT_EQ(c.success, StringToDouble(c.input, &narrow)) << c.input;
    EXPECT_DOUBLE_EQ(c.output, narrow) << c.input;
    double wide = -99;
    EXPECT_EQ(c.success, StringToDouble(ASCIIToWide(c.input), &wide)) << c.input;
    EXPECT_DOUBLE_EQ(c.output, wide) << c.input;
  }
  double value = 0;
  EXPECT_FALSE(StringToDouble(L"1.5\u00A0", &value));
  EXPECT_DOUBLE_EQ(1.5, value);
  // The largest double written out in full, and ten times it.
  const std::string largest = "17976931348623157" + std::string(292, '0');
  EXPECT_TRUE(StringToDouble(largest, &value));
  EXPECT_EQ(1.7976931348623157e308, value);
  EXPECT_FALSE(StringToDouble(largest + "0", &value));
  EXPECT_EQ(HUGE_VAL, value);
  EXPECT_TRUE(StringToDouble("0." + std::string(400, '0') + "1", &value));
  EXPECT_EQ(0.0, value);
}

TEST(StringNumberConversionsTest, DoubleToShortestText) {
  const struct {
    double input;
    const char* output;
  } cases[] = {
      {0.0, "0"},
      {-0.0, "0"},
      {1.5, "1.5"},
      {-2.25, "-2.25"},
      {100.0, "100"},
      {0.1, "0.1"},
      {1e20, "100000000000000000000"},
      {1e21, "1e+21"},
      {1.5e-7, "1.5e-7"},
      {0.000001, "0.000001"},
      {123456.789, "123456.789"},
      {HUGE_VAL, "Infinity"},
      {-HUGE_VAL, "-Infinity"},
      {NAN, "NaN"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(c.output, NumberToString(c.input)) << c.output;
  EXPECT_EQ(L"0.25", NumberToWString(0.25));
  // Shortest text reads back to the same value.
  const double values[] = {0.1 + 0.2, 1.0 / 3.0, 5e-324, 1.7976931348623157e308, -123.456e-20};
  for (double v : values) {
    double back = 0;
    ASSERT_TRUE(StringToDouble(NumberToString(v), &back)) << NumberToString(v);
    EXPECT_EQ(v, back) << NumberToString(v);
  }
}

TEST(StringNumberConversionsTest, HexEncode) {
  const uint8_t bytes[] = {0x01, 0xAB, 0x00, 0xff};
  EXPECT_EQ("01AB00FF", HexEncode(bytes, sizeof(bytes)));
  EXPECT_EQ("", HexEncode(nullptr, 0));
  // A handle value as 8 little-endian bytes gives 16 characters.
  const uint64_t handle = 0x1C4;
  EXPECT_EQ("C401000000000000", HexEncode(&handle, sizeof(handle)));
  EXPECT_EQ("FF", HexEncode(std::span<const uint8_t>(bytes + 3, 1)));
}

TEST(StringNumberConversionsTest, HexStringToInt) {
  const IntCase<int> cases[] = {
      {"0", 0, true},
      {"42", 0x42, true},
      {"-42", -0x42, true},
      {"+0x42", 0x42, true},
      {"0X7fffffff", INT_MAX, true},
      {"-0x80000000", INT_MIN, true},
      {"80000000", INT_MAX, false},
      {"-80000001", INT_MIN, false},
      {"0f", 15, true},
      {" 45", 0x45, false},
      {"45 ", 0x45, false},
      {"efgh", 0xef, false},
      {"0x", 0, false},
      {"", 0, false},
  };
  for (const auto& c : cases) {
    int value = -1;
    EXPECT_EQ(c.success, HexStringToInt(c.input, &value)) << c.input;
    EXPECT_EQ(c.output, value) << c.input;
  }
  uint32_t u = 0;
  EXPECT_TRUE(HexStringToUInt("0xFFFFFFFF", &u));
  EXPECT_EQ(0xFFFFFFFFu, u);
  EXPECT_FALSE(HexStringToUInt("100000000", &u));
  EXPECT_EQ(0xFFFFFFFFu, u);
  EXPECT_FALSE(HexStringToUInt("-1", &u));
  uint64_t u64 = 0;
  EXPECT_TRUE(HexStringToUInt64("ffffffffffffffff", &u64));
  EXPECT_EQ(std::numeric_limits<uint64_t>::max(), u64);
  int64_t i64 = 0;
  EXPECT_TRUE(HexStringToInt64("-0x8000000000000000", &i64));
  EXPECT_EQ(std::numeric_limits<int64_t>::min(), i64);
}

TEST(StringNumberConversionsTest, HexStringToBytes) {
  std::vector<uint8_t> bytes;
  EXPECT_TRUE(HexStringToBytes("01aBfF00", &bytes));
  EXPECT_THAT(bytes, ElementsAre(0x01, 0xAB, 0xFF, 0x00));
  EXPECT_EQ("01ABFF00", HexEncode(bytes));

  const char* bad[] = {"", "0", "012", "0x01", "zz", "01 2", "+1", "0g"};
  for (const char* input : bad) {
    std::vector<uint8_t> out;
    EXPECT_FALSE(HexStringToBytes(input, &out)) << input;
  }
  std::vector<uint8_t> partial;
  EXPECT_FALSE(HexStringToBytes("0102zz", &partial));
  EXPECT_THAT(partial, ElementsAre(0x01, 0x02));
}

}  // namespace
}  // namespace base
