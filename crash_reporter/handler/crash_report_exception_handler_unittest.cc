// Copyright 2026 Velta Software. All rights reserved.

#include "crash_reporter/handler/crash_report_exception_handler.h"

#include <windows.h>

#include <string.h>

#include <string>
#include <vector>

#include "base/command_line.h"
#include "base/process/launch.h"
#include "base/strings/string_split.h"
#include "base/test/child_process.h"
#include "crash_reporter/crash_role_switches.h"
#include "gmock/gmock.h"
#include "gtest/gtest.h"

namespace crashpad {
namespace {

using ::testing::ElementsAre;
using velta::TriState;

velta::CrashpadInfo MakeBlock() {
  velta::CrashpadInfo block = {};
  block.signature = velta::CrashpadInfo::kSignature;
  block.size = sizeof(block);
  block.version = velta::CrashpadInfo::kVersion;
  block.crashpad_handler_behavior = TriState::kDisabled;
  block.restart = TriState::kEnabled;
  block.restart_argument_count = 3;
  return block;
}

struct OptionsCase {
  const char* label;
  size_t section_size;
  void (*change)(velta::CrashpadInfo* block);
  bool accepted;
  TriState behavior;
  TriState restart;
};

class ReadCrashpadOptionsTest : public ::testing::TestWithParam<OptionsCase> {};

TEST_P(ReadCrashpadOptionsTest, ReadsOnlyAValidBlock) {
  velta::CrashpadInfo block = MakeBlock();
  if (GetParam().change)
    GetParam().change(&block);
  CrashpadInfoClientOptions options;
  EXPECT_EQ(GetParam().accepted,
            ReadCrashpadOptions(reinterpret_cast<const uint8_t*>(&block),
                                GetParam().section_size, &options));
  EXPECT_EQ(GetParam().behavior, options.crashpad_handler_behavior);
  EXPECT_EQ(GetParam().restart, options.restart);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ReadCrashpadOptionsTest,
    ::testing::Values(
        OptionsCase{"Whole", sizeof(velta::CrashpadInfo), nullptr, true, TriState::kDisabled,
                    TriState::kEnabled},
        OptionsCase{"SectionUnder8Bytes", 7, nullptr, false, TriState::kUnset, TriState::kUnset},
        OptionsCase{"WrongSignature", sizeof(velta::CrashpadInfo),
                    [](velta::CrashpadInfo* b) { b->signature = 1; }, false, TriState::kUnset,
                    TriState::kUnset},
        OptionsCase{"WrongVersion", sizeof(velta::CrashpadInfo),
                    [](velta::CrashpadInfo* b) { b->version = 2; }, false, TriState::kUnset,
                    TriState::kUnset},
        OptionsCase{"StoredSizeOverSection", 24, nullptr, false, TriState::kUnset,
                    TriState::kUnset},
        // A block of 24 bytes ends before the tri-states: they read as zero.
        OptionsCase{"SmallerStoredSizeZeroFills", sizeof(velta::CrashpadInfo),
                    [](velta::CrashpadInfo* b) { b->size = 24; }, true, TriState::kUnset,
                    TriState::kUnset},
        OptionsCase{"UnknownTriStateIsUnset", sizeof(velta::CrashpadInfo),
                    [](velta::CrashpadInfo* b) {
                      b->crashpad_handler_behavior = static_cast<TriState>(7);
                    },
                    true, TriState::kUnset, TriState::kEnabled}),
    [](const auto& info) { return std::string(info.param.label); });

// The handler takes its own entries out of the dump: the counter name and
// every well-formed restart entry, also for a client that asked no restart.
// "--help" prints the options, the counter file's after the database's and
// before the first client's, and starts no handler.
TEST(CrashHandlerRoleTest, HelpListsTheOptions) {
  base::CommandLine command_line(velta::test::GetTestExecutablePath());
  command_line.AppendSwitchASCII(velta::kProcessTypeSwitch, velta::kCrashpadHandlerType);
  command_line.AppendSwitch(velta::kHandlerHelpSwitch);
  std::string output;
  int exit_code = -1;
  ASSERT_TRUE(base::GetAppOutputWithExitCode(command_line, &output, &exit_code));
  EXPECT_EQ(0, exit_code);
  const std::vector<std::string> lines =
      base::SplitString(output, "\r\n", base::KEEP_WHITESPACE, base::SPLIT_WANT_NONEMPTY);
  ASSERT_FALSE(lines.empty());
  EXPECT_THAT(lines[0], testing::StartsWith("Usage: "));
  std::vector<std::string> options;
  for (const std::string& line : lines) {
    if (line.rfind("      --", 0) == 0)
      options.push_back(line);
  }
  EXPECT_THAT(options,
              testing::ElementsAre(
                  testing::StartsWith("      --database=PATH "),
                  "      --crash-count-file=PATH store number of crashes at PATH",
                  "      --initial-client-pid=PID", testing::StartsWith("      --monitor-self "),
                  testing::StartsWith("      --url=URL "), testing::StartsWith("      --help ")));
}

TEST(CrashHandlerAnnotationsTest, CounterNameAndRestartEntriesLeaveTheDump) {
  Annotations annotations = {{"crash_counter_name", "installer"},
                             {"restart_cmd_line_key_0", "installer.exe"},
                             {"restart_cmd_line_key_2", "--silent"},
                             {"restart_cmd_line_key_64", "corrupt"},
                             {"restart_cmd_line_key_", "bare"},
                             {"restart_cmd_line_key_x", "letter"},
                             {"ver", "1.0"}};
  std::string name;
  FilterSimpleAnnotations(&annotations, "crash_counter_name", &name);
  EXPECT_EQ("installer", name);
  EXPECT_THAT(GatherRestartArguments(&annotations), ElementsAre("installer.exe", "", "--silent"));
  std::vector<std::string> keys;
  for (const auto& [key, value] : annotations)
    keys.push_back(key);
  EXPECT_THAT(keys, ElementsAre("restart_cmd_line_key_", "restart_cmd_line_key_64",
                                "restart_cmd_line_key_x", "ver"));
  std::string absent = "kept";
  FilterSimpleAnnotations(&annotations, "crash_counter_name", &absent);
  EXPECT_EQ("kept", absent);
}

struct TimesCase {
  int64_t start;
  int64_t crash;
  const char* uptime;
};

class CrashTimesTest : public ::testing::TestWithParam<TimesCase> {};

// Computed times replace a process annotation of the same name and hold
// dates past 2038.
TEST_P(CrashTimesTest, ComputedTimesWin) {
  Annotations annotations = {{"CrashTime", "from the handler's --annotation"}};
  AddTimeAndMemoryAnnotations(::GetCurrentProcess(), GetParam().start, GetParam().crash,
                              &annotations);
  EXPECT_EQ(std::to_string(GetParam().start), annotations["StartupTime"]);
  EXPECT_EQ(std::to_string(GetParam().crash), annotations["CrashTime"]);
  EXPECT_EQ(GetParam().uptime, annotations["CrashUptime"]);
  for (const char* key : {"process_working_set_size", "process_peak_working_set_size",
                          "process_virtual_usage", "process_peak_virtual_usage",
                          "mem_physical_total", "mem_page_file_avail"}) {
    EXPECT_EQ(1u, annotations.count(key)) << key;
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, CrashTimesTest,
                         ::testing::Values(TimesCase{1000, 1600, "600"},
                                           TimesCase{2147483000, 2147484000, "1000"},
                                           TimesCase{4102444800, 4102444801, "1"}));

TEST(CrashTimesTest, WithoutProcessOnlySystemFigures) {
  Annotations annotations;
  AddTimeAndMemoryAnnotations(nullptr, 1, 2, &annotations);
  EXPECT_EQ(0u, annotations.count("process_private_usage"));
  EXPECT_EQ(0u, annotations.count("process_virtual_usage"));
  EXPECT_EQ(1u, annotations.count("mem_physical_avail"));
}

TEST(CrashHandlerAnnotationsTest, StreamIsKeyValuePairs) {
  EXPECT_EQ(std::string("a\0" "1\0" "b\0" "\0", 7), SerializeAnnotations({{"a", "1"}, {"b", ""}}));
}

}  // namespace
}  // namespace crashpad
