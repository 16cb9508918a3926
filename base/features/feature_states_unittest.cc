// Copyright 2026 Velta Software. All rights reserved.

#include "base/features/feature_states.h"

#include <string>
#include <utility>
#include <vector>

#include "base/command_line.h"
#include "base/features/command_line_feature_reader.h"
#include "base/features/feature_state_reader.h"
#include "gtest/gtest.h"

namespace velta {
namespace {

// Hands out a fixed list of overrides, as a stored-state reader would.
class FixedFeatureReader : public FeatureStateReader {
 public:
  explicit FixedFeatureReader(std::vector<FeatureOverride> overrides)
      : overrides_(std::move(overrides)) {}
  void Read(std::vector<FeatureOverride>* overrides) const override {
    overrides->insert(overrides->end(), overrides_.begin(), overrides_.end());
  }

 private:
  std::vector<FeatureOverride> overrides_;
};

// Registered in every case: "off-free" (off, overridable), "on-free" (on,
// overridable), "off-locked" and "on-locked" (not overridable).
void RegisterTestFeatures(FeatureStates* states) {
  states->RegisterFeature("off-free", false, true);
  states->RegisterFeature("on-free", true, true);
  states->RegisterFeature("off-locked", false, false);
  states->RegisterFeature("on-locked", true, false);
}

struct IsEnabledCase {
  const char* name;
  std::vector<FeatureOverride> first_reader;
  std::vector<FeatureOverride> second_reader;
  bool expected;
};

class FeatureStatesIsEnabledTest : public ::testing::TestWithParam<IsEnabledCase> {};

TEST_P(FeatureStatesIsEnabledTest, AnswersFromDefaultAndLastOverride) {
  const IsEnabledCase& test_case = GetParam();
  FeatureStates states;
  RegisterTestFeatures(&states);
  states.ApplyReader(FixedFeatureReader(test_case.first_reader));
  states.ApplyReader(FixedFeatureReader(test_case.second_reader));
  EXPECT_EQ(test_case.expected, states.IsEnabled(test_case.name));
}

INSTANTIATE_TEST_SUITE_P(
    Cases,
    FeatureStatesIsEnabledTest,
    ::testing::Values(
        IsEnabledCase{"off-free", {}, {}, false},
        IsEnabledCase{"on-free", {}, {}, true},
        IsEnabledCase{"off-free", {{"off-free", true}}, {}, true},
        IsEnabledCase{"on-free", {{"on-free", false}}, {}, false},
        // Within a reader and across readers the last override wins.
        IsEnabledCase{"off-free", {{"off-free", true}, {"off-free", false}}, {}, false},
        IsEnabledCase{"off-free", {{"off-free", false}}, {{"off-free", true}}, true},
        IsEnabledCase{"off-free", {{"off-free", true}}, {{"on-free", false}}, true},
        // Locked features keep their defaults.
        IsEnabledCase{"off-locked", {{"off-locked", true}}, {}, false},
        IsEnabledCase{"on-locked", {{"on-locked", false}}, {}, true},
        // Unregistered names are never on; names match exactly.
        IsEnabledCase{"unknown", {{"unknown", true}}, {}, false},
        IsEnabledCase{"off-free", {{"OFF-FREE", true}, {"off-free ", true}}, {}, false}));

// One switch per name with its last value; what a switch would change
// (lower-casing, splitting at "=") or cannot carry stays behind, so a child
// reading the switches answers as the parent does.
TEST(FeatureStatesTest, WrittenSwitchesReadBackToTheSameStates) {
  FeatureStates parent;
  RegisterTestFeatures(&parent);
  parent.ApplyReader(FixedFeatureReader(
      {{"off-free", true}, {"on-free", false}, {"off-free", false}, {"Off-Free", true},
       {"off-free=on", true}, {std::string("off-free\0x", 10), true}, {"", true},
       {"on-locked", false}, {"future-feature", true}}));
  base::CommandLine written(base::FilePath(L"installer.exe"));
  written.AppendSwitchASCII("with-feature:on-free", "on");
  parent.WriteSwitches(&written);
  EXPECT_EQ(
      L"installer.exe --with-feature:on-free=off --with-feature:off-free=off "
      L"--with-feature:on-locked=off --with-feature:future-feature=on",
      written.GetCommandLineString());

  FeatureStates child;
  RegisterTestFeatures(&child);
  child.ApplyReader(
      CommandLineFeatureReader(base::CommandLine::FromString(written.GetCommandLineString())));
  for (const FeatureInfo& feature : parent.features())
    EXPECT_EQ(parent.IsEnabled(feature.name), child.IsEnabled(feature.name)) << feature.name;
}

}  // namespace
}  // namespace velta
