// Copyright 2026 Velta Software. All rights reserved.

#include "base/features/command_line_feature_reader.h"

#include <string>
#include <vector>

#include "base/command_line.h"
#include "base/logging.h"
#include "base/test/scoped_log_collector.h"
#include "gtest/gtest.h"

namespace velta {
namespace {

// The warning for feature "a" with `value`.
std::string UnhandledValue(const std::string& value) {
  return "with-feature:a has unhandled value: \"" + value +
         "\" did you mean \"on\" or \"off\"? Using default setting.";
}

struct SwitchCase {
  std::vector<std::wstring> switches;
  // "name=1" or "name=0" per override, in order.
  std::vector<std::string> overrides;
  std::vector<std::string> warnings;
};

class CommandLineFeatureReaderTest : public ::testing::TestWithParam<SwitchCase> {};

TEST_P(CommandLineFeatureReaderTest, ReadsOnOffAndWarnsOfOtherValues) {
  const SwitchCase& test_case = GetParam();
  base::CommandLine::StringVector argv = {L"installer.exe"};
  argv.insert(argv.end(), test_case.switches.begin(), test_case.switches.end());
  std::vector<std::string> warnings;
  std::vector<FeatureOverride> overrides;
  {
    base::test::ScopedLogCollector log(logging::LOG_WARNING);
    CommandLineFeatureReader(base::CommandLine(argv)).Read(&overrides);
    warnings = log.lines;
  }

  std::vector<std::string> read;
  for (const FeatureOverride& feature_override : overrides)
    read.push_back(feature_override.name() + (feature_override.enabled() ? "=1" : "=0"));
  EXPECT_EQ(test_case.overrides, read);
  EXPECT_EQ(test_case.warnings, warnings);
}

INSTANTIATE_TEST_SUITE_P(
    Cases,
    CommandLineFeatureReaderTest,
    ::testing::Values(
        SwitchCase{{L"--with-feature:installer-simplified-ui"}, {"installer-simplified-ui=1"}, {}},
        SwitchCase{{L"--with-feature:installer-simplified-ui=on"},
                   {"installer-simplified-ui=1"},
                   {}},
        SwitchCase{{L"--with-feature:installer-simplified-ui=off"},
                   {"installer-simplified-ui=0"},
                   {}},
        SwitchCase{{L"--with-feature:installer-simplified-ui=yes"},
                   {},
                   {"with-feature:installer-simplified-ui has unhandled value: \"yes\" did you "
                    "mean \"on\" or \"off\"? Using default setting."}},
        SwitchCase{{L"--with-feature:a=ON"}, {}, {UnhandledValue("ON")}},
        // A value outside ASCII is not mistaken for an empty one.
        SwitchCase{{L"--with-feature:a=\u00f6n"}, {}, {UnhandledValue("\xc3\xb6n")}},
        // Switch names are case-insensitive and come in sorted order.
        SwitchCase{{L"--with-feature:b=on", L"--With-Feature:A=off", L"--with-feature:b=off"},
                   {"a=0", "b=0"},
                   {}},
        SwitchCase{{L"--with-featurex=on", L"--feature:x=on", L"--x-with-feature:y"}, {}, {}}));

}  // namespace
}  // namespace velta
