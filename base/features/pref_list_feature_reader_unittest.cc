// Copyright 2026 Velta Software. All rights reserved.

#include "base/features/pref_list_feature_reader.h"

#include <string>
#include <vector>

#include "base/values.h"
#include "gtest/gtest.h"

namespace velta {
namespace {

std::vector<std::string> ReadAll(base::Value value) {
  std::vector<FeatureOverride> overrides;
  PrefListFeatureReader(std::move(value)).Read(&overrides);
  std::vector<std::string> read;
  for (const FeatureOverride& feature_override : overrides)
    read.push_back(feature_override.name() + (feature_override.enabled() ? "=1" : "=0"));
  return read;
}

base::Value MakeList(const std::vector<std::string>& items) {
  base::ListValue list;
  for (const std::string& item : items)
    list.Append(item);
  return list;
}

struct PrefListCase {
  std::vector<std::string> items;
  std::vector<std::string> overrides;
};

class PrefListFeatureReaderTest : public ::testing::TestWithParam<PrefListCase> {};

TEST_P(PrefListFeatureReaderTest, ReadsNameAtState) {
  EXPECT_EQ(GetParam().overrides, ReadAll(MakeList(GetParam().items)));
}

INSTANTIATE_TEST_SUITE_P(
    Cases,
    PrefListFeatureReaderTest,
    ::testing::Values(
        PrefListCase{{"installer-use-minimal-package@2", " installer-experiment-test @ 1", "bad",
                      "x@3"},
                     {"installer-use-minimal-package=0", "installer-experiment-test=1"}},
        // The state must be one whole decimal number.
        PrefListCase{{"a@1x", "b@2 2", "c@", "d@0", "e@-1", "f@01", "g@\t2\n"},
                     {"f=1", "g=0"}},
        PrefListCase{{"a@@1", "a@1@2", "@"}, {}}));

TEST(PrefListFeatureReaderTest, SkipsWhatIsNotAStringList) {
  base::ListValue mixed;
  mixed.Append(1);
  mixed.Append(true);
  mixed.Append(base::Value(base::Value::Type::DICTIONARY));
  mixed.Append("kept@1");
  EXPECT_EQ(std::vector<std::string>{"kept=1"}, ReadAll(std::move(mixed)));
  EXPECT_TRUE(ReadAll(base::Value("installer-experiment-test@1")).empty());
  EXPECT_TRUE(ReadAll(base::Value(base::Value::Type::DICTIONARY)).empty());
  EXPECT_TRUE(ReadAll(base::Value()).empty());
}

}  // namespace
}  // namespace velta
