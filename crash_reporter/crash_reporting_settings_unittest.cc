// Copyright 2026 Velta Software. All rights reserved.

#include "crash_reporter/crash_reporting_settings.h"

#include <string>
#include <vector>

#include "base/command_line.h"
#include "base/files/file_util.h"
#include "base/files/scoped_temp_dir.h"
#include "gtest/gtest.h"

namespace velta {
namespace {

struct SettingsCase {
  const char* label;
  std::vector<std::wstring> switches;
  const char* local_state;  // null: no file
  bool reporting;
  bool crash_handler;
};

class CrashReportingSettingsTest : public ::testing::TestWithParam<SettingsCase> {};

TEST_P(CrashReportingSettingsTest, LaterSourcesWin) {
  const SettingsCase& c = GetParam();
  base::ScopedTempDir dir;
  ASSERT_TRUE(dir.CreateUniqueTempDir());
  base::FilePath local_state;
  if (c.local_state) {
    local_state = dir.GetPath().Append(L"Local State");
    ASSERT_TRUE(base::WriteFile(local_state, std::string_view(c.local_state)));
  }
  std::vector<std::wstring> argv = {L"installer.exe"};
  argv.insert(argv.end(), c.switches.begin(), c.switches.end());
  CrashReportingSettings settings;
  settings.Read(base::CommandLine(argv), local_state);
  EXPECT_EQ(c.reporting, settings.IsCrashReportingEnabled());
  EXPECT_EQ(c.crash_handler, settings.IsCrashpadEnabled());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CrashReportingSettingsTest,
    ::testing::Values(
        // The feature is off by default in this build's stream.
        SettingsCase{"Defaults", {}, nullptr, true, false},
        SettingsCase{"SwitchWithoutValueTurnsOn",
                     {L"--with-feature:enable-crashpad-on-windows"}, nullptr, true, true},
        SettingsCase{"SwitchOn", {L"--with-feature:enable-crashpad-on-windows=on"}, nullptr,
                     true, true},
        SettingsCase{"OtherValueKeepsDefault",
                     {L"--with-feature:enable-crashpad-on-windows=maybe"}, nullptr, true, false},
        SettingsCase{"FileBeatsSwitch", {L"--with-feature:enable-crashpad-on-windows=on"},
                     R"({"browser":{"flags":{"enable-crashpad-on-windows":2}}})", true, false},
        SettingsCase{"FileTurnsOn", {}, R"({"browser":{"flags":{"enable-crashpad-on-windows":1}}})",
                     true, true},
        SettingsCase{"ReportingOff", {},
                     R"({"user_experience_metrics":{"reporting_enabled":false}})", false, false},
        SettingsCase{"BrokenFileIgnored", {L"--with-feature:enable-crashpad-on-windows"},
                     R"({"browser":)", true, true},
        SettingsCase{"NonObjectFileIgnored", {}, "[false]", true, false}),
    [](const auto& info) { return std::string(info.param.label); });

}  // namespace
}  // namespace velta
