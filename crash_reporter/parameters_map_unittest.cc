// Copyright 2026 Velta Software. All rights reserved.

#include "crash_reporter/parameters_map.h"

#include <stdint.h>

#include <limits>
#include <memory>

#include "gtest/gtest.h"

namespace velta {
namespace {

template <typename Map>
class ParametersMapTest : public ::testing::Test {
 protected:
  std::unique_ptr<ParametersMap> map_ = std::make_unique<Map>();
};

using MapTypes = ::testing::Types<WideParametersMap, NarrowParametersMap>;
TYPED_TEST_SUITE(ParametersMapTest, MapTypes);

TYPED_TEST(ParametersMapTest, FirstValueWins) {
  this->map_->Set(std::string("ver"), std::string("1"));
  this->map_->Set(std::wstring(L"ver"), std::wstring(L"2"));
  this->map_->Set(L"ver", static_cast<int32_t>(3));
  EXPECT_EQ(L"1", this->map_->Get(L"ver"));
}

TYPED_TEST(ParametersMapTest, NumbersAsDecimalText) {
  ParametersMap& map = *this->map_;
  map.Set(L"i32", static_cast<int32_t>(-5));
  map.Set(L"dword", static_cast<unsigned long>(4294967295UL));
  map.Set(L"u32", static_cast<uint32_t>(7));
  map.Set(L"u64", std::numeric_limits<uint64_t>::max());
  map.Set(L"i64", std::numeric_limits<int64_t>::min());
  map.Set("n64", static_cast<int64_t>(-1));
  EXPECT_EQ(L"-5", map.Get(L"i32"));
  EXPECT_EQ(L"4294967295", map.Get(L"dword"));
  EXPECT_EQ(L"7", map.Get(L"u32"));
  EXPECT_EQ(L"18446744073709551615", map.Get(L"u64"));
  EXPECT_EQ(L"-9223372036854775808", map.Get(L"i64"));
  EXPECT_EQ(L"-1", map.Get(L"n64"));
}

TYPED_TEST(ParametersMapTest, TextSurvivesEitherEncoding) {
  this->map_->Set(std::string("utf8"), std::string("gr\xC3\xBC\xC3\x9F \xE2\x82\xAC"));
  this->map_->Set(std::wstring(L"wide"), std::wstring(L"gr\u00fc\u00df \u20ac"));
  EXPECT_EQ(L"gr\u00fc\u00df \u20ac", this->map_->Get(L"utf8"));
  EXPECT_EQ(L"gr\u00fc\u00df \u20ac", this->map_->Get(L"wide"));
  EXPECT_TRUE(this->map_->Has("wide"));
  EXPECT_TRUE(this->map_->Has(L"utf8"));
}

TYPED_TEST(ParametersMapTest, AbsentAndCleared) {
  EXPECT_EQ(L"", this->map_->Get(L"absent"));
  EXPECT_FALSE(this->map_->Has(L"absent"));
  this->map_->Set(std::string("ver"), std::string("1"));
  this->map_->Clear();
  EXPECT_FALSE(this->map_->Has("ver"));
  this->map_->Set(std::string("ver"), std::string("2"));
  EXPECT_EQ(L"2", this->map_->Get(L"ver"));
}

TEST(WideParametersMapTest, EntriesInCodeUnitOrder) {
  WideParametersMap map;
  map.Set(std::string("b"), std::string("2"));
  map.Set(std::string("B"), std::string("3"));
  map.Set(std::string("a"), std::string("1"));
  std::wstring keys;
  for (const auto& [key, value] : map.entries())
    keys += key;
  EXPECT_EQ(L"Bab", keys);
}

}  // namespace
}  // namespace velta
