// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/common/product/installer_features.h"

#include <stdint.h>

#include <string>
#include <vector>

#include "base/command_line.h"
#include "base/features/command_line_feature_reader.h"
#include "base/features/feature_states.h"
#include "base/features/pref_list_feature_reader.h"
#include "base/process_wide.h"
#include "base/test/child_process.h"
#include "base/test/multiprocess_test.h"
#include "base/values.h"
#include "desktop/windows/installer/common/product/product_info.h"
#include "gtest/gtest.h"

namespace velta {
namespace {

class StreamProductInfo : public ProductInfo {
 public:
  explicit StreamProductInfo(uint32_t stream) : stream_(stream) {}
  uint32_t GetStream() const override { return stream_; }

 private:
  const uint32_t stream_;
};

struct StreamDefaultCase {
  uint32_t channel_mask;
  uint8_t flags;
  uint32_t stream;
  bool expected;
};

class StreamDefaultTest : public ::testing::TestWithParam<StreamDefaultCase> {};

TEST_P(StreamDefaultTest, DefaultNeedsTheStreamBitAndTheFlag) {
  const StreamDefaultCase& test_case = GetParam();
  StreamProductInfo product_info(test_case.stream);
  base::ProcessWide<ProductInfo>::ScopedOverride override_product_info(&product_info);
  const FeatureDefinition feature = {
      .name = "f", .channel_mask = test_case.channel_mask, .flags = test_case.flags};
  EXPECT_EQ(test_case.expected, IsFeatureOnByDefaultForStream(feature));
}

constexpr uint32_t kAllBits = 0xFFFFFFFF;
constexpr uint8_t kOn = kFeatureOnByDefaultFlag;

// Kestrel (3) and Granite (4) share a bit; other streams have none.
INSTANTIATE_TEST_SUITE_P(Cases,
                         StreamDefaultTest,
                         ::testing::Values(StreamDefaultCase{kSorrelChannelBit, kOn, 1, true},
                                           StreamDefaultCase{kSorrelChannelBit, kOn, 2, false},
                                           StreamDefaultCase{kMarlinChannelBit, kOn, 2, true},
                                           StreamDefaultCase{kMarlinChannelBit, 0x1, 2, false},
                                           StreamDefaultCase{kReleaseChannelBit, kOn, 3, true},
                                           StreamDefaultCase{kReleaseChannelBit, kOn, 4, true},
                                           StreamDefaultCase{kReleaseChannelBit, kOn, 1, false},
                                           StreamDefaultCase{kAllBits, kOn, 0, false},
                                           StreamDefaultCase{kAllBits, kOn, 5, false}));

TEST(InstallerFeaturesTest, OffInEveryStreamUntilASwitchTurnsThemOn) {
  for (uint32_t stream = 1; stream <= 4; ++stream) {
    StreamProductInfo product_info(stream);
    base::ProcessWide<ProductInfo>::ScopedOverride override_product_info(&product_info);
    FeatureStates states;
    RegisterInstallerFeatures(&states);
    base::CommandLine command_line(base::FilePath(L"installer.exe"));
    for (const FeatureDefinition& feature : GetInstallerFeatures()) {
      EXPECT_FALSE(states.IsEnabled(feature.name)) << feature.name << " in stream " << stream;
      command_line.AppendSwitch(GetFeatureSwitchName(feature.name));
    }
    // A browser feature is not the installer's to turn on.
    command_line.AppendSwitch(GetFeatureSwitchName("enable-crashpad-on-windows"));
    states.ApplyReader(CommandLineFeatureReader(command_line));
    for (const FeatureDefinition& feature : GetInstallerFeatures())
      EXPECT_TRUE(states.IsEnabled(feature.name)) << feature.name << " in stream " << stream;
    EXPECT_FALSE(states.IsEnabled("enable-crashpad-on-windows"));
  }
}

TEST(InstallerFeaturesTest, FindBrowserFeatureMatchesNamesExactly) {
  const FeatureDefinition* crashpad = FindBrowserFeature("enable-crashpad-on-windows");
  ASSERT_NE(nullptr, crashpad);
  EXPECT_STREQ("enable-crashpad-on-windows", crashpad->name);
  EXPECT_TRUE(IsFeatureOverridable(*crashpad));
  EXPECT_EQ(nullptr, FindBrowserFeature("Enable-Crashpad-On-Windows"));
  EXPECT_EQ(nullptr, FindBrowserFeature("enable-crashpad"));
  EXPECT_EQ(nullptr, FindBrowserFeature(""));
  EXPECT_EQ(nullptr, FindBrowserFeature(kInstallerExperimentTestFeature));
}

// Set in the exit code of ReportInstallerFeatureStates, so that a child that
// fails in another way never looks like an answer.
constexpr uint32_t kStatesReportedBit = 0x40;

// Exit code: kStatesReportedBit, plus bit i for installer feature i on.
uint32_t InstallerFeatureBits(const FeatureStates& states) {
  uint32_t bits = kStatesReportedBit;
  for (size_t i = 0; i < GetInstallerFeatures().size(); ++i) {
    if (states.IsEnabled(GetInstallerFeatures()[i].name))
      bits |= 1u << i;
  }
  return bits;
}

// Starts up as the installer does: registers the installer features into the
// process-wide list and reads the switches the parent wrote.
VELTA_TEST_CHILD_MAIN(ReportInstallerFeatureStates) {
  FeatureStates* states = FeatureStates::GetInstance();
  RegisterInstallerFeatures(states);
  states->ApplyReader(CommandLineFeatureReader(*base::CommandLine::ForCurrentProcess()));
  if (IsFeatureEnabled("tab-hover-previews"))
    return 1;
  return static_cast<int>(InstallerFeatureBits(*states));
}

struct RoundTripCase {
  std::vector<std::string> stored_states;
  std::vector<std::wstring> switches;
  // Bits of test, minimal package, simplified UI.
  uint32_t expected_bits;
};

class FeatureSwitchRoundTripTest : public ::testing::TestWithParam<RoundTripCase> {};

TEST_P(FeatureSwitchRoundTripTest, ChildSeesTheParentsStates) {
  const RoundTripCase& test_case = GetParam();
  FeatureStates parent;
  RegisterInstallerFeatures(&parent);
  base::ListValue stored_states;
  for (const std::string& item : test_case.stored_states)
    stored_states.Append(item);
  parent.ApplyReader(PrefListFeatureReader(std::move(stored_states)));
  base::CommandLine::StringVector argv = {L"installer.exe"};
  argv.insert(argv.end(), test_case.switches.begin(), test_case.switches.end());
  parent.ApplyReader(CommandLineFeatureReader(base::CommandLine(argv)));
  ASSERT_EQ(kStatesReportedBit | test_case.expected_bits, InstallerFeatureBits(parent));

  base::CommandLine child = test::MakeChildCommandLine("ReportInstallerFeatureStates");
  parent.WriteSwitches(&child);
  const test::ChildResult result = test::RunChild(child);
  ASSERT_TRUE(result.exited);
  EXPECT_EQ(kStatesReportedBit | test_case.expected_bits, result.exit_code)
      << child.GetCommandLineString();
}

INSTANTIATE_TEST_SUITE_P(
    Cases,
    FeatureSwitchRoundTripTest,
    ::testing::Values(
        RoundTripCase{{}, {}, 0},
        // The switches come after the stored states and win over them.
        RoundTripCase{{"installer-experiment-test@1", "installer-simplified-ui@1"},
                      {L"--with-feature:installer-simplified-ui=off"},
                      0x1},
        // A stored name in other case matches nothing here, and must not
        // arrive lower-cased in the child.
        RoundTripCase{{"installer-use-minimal-package@2", "Installer-Use-Minimal-Package@1"},
                      {},
                      0},
        RoundTripCase{{"installer-experiment-test@1", "installer-use-minimal-package@1",
                       "installer-simplified-ui@1", "tab-hover-previews@1"},
                      {L"--with-feature:tab-hover-previews=on"},
                      0x7}));

}  // namespace
}  // namespace velta
