// Copyright 2026 Velta Software. All rights reserved.

// The process watch of the end-to-end tests follows processes that end as
// soon as they start, and keeps their exit codes, also once their parent has
// gone and closed its handles.

#include <windows.h>

#include <string>
#include <vector>

#include "base/command_line.h"
#include "base/process/launch.h"
#include "base/test/child_process.h"
#include "base/test/multiprocess_test.h"
#include "crash_reporter/test/crash_hook.h"
#include "e2e/process_tree.h"
#include "gtest/gtest.h"

namespace velta {
namespace {

constexpr char kChildParentIdSwitch[] = "child-parent-id";
constexpr int kQuickRoles = 3;
constexpr uint32_t kStarterExitCode = 7;

// Starts kQuickRoles fallback handlers of a crashed reporter with the parent
// id of kChildParentIdSwitch, closes their handles at once and ends before
// them.
VELTA_TEST_CHILD_MAIN(StartsQuickCrashRoles) {
  base::CommandLine command_line(test::GetTestExecutablePath());
  command_line.AppendSwitchASCII("crash-reporter-exception-info", "1");
  command_line.AppendSwitchASCII(
      "crash-reporter-parent-id",
      base::CommandLine::ForCurrentProcess()->GetSwitchValueASCII(kChildParentIdSwitch));
  for (int i = 0; i < kQuickRoles; ++i) {
    if (!base::LaunchProcess(command_line, base::LaunchOptions()).IsValid())
      return 1;
  }
  return kStarterExitCode;
}

struct QuickRoleCase {
  const char* name;
  // VELTA_TEST_CRASH of the run.
  const wchar_t* crash;
  const char* parent_id;
  uint32_t exit_code;
};

class ProcessTreeTest : public ::testing::TestWithParam<QuickRoleCase> {};

TEST_P(ProcessTreeTest, QuickRolesAreSeenWithHowTheyEnded) {
  const QuickRoleCase& param = GetParam();
  base::CommandLine command_line = test::MakeChildCommandLine("StartsQuickCrashRoles");
  command_line.AppendSwitchASCII(kChildParentIdSwitch, param.parent_id);
  base::EnvironmentMap environment;
  environment[test::kTestCrashVariable] = param.crash;
  const std::vector<test::WatchedProcess> watched =
      test::RunAndWatchProcessTree(command_line, environment, base::TimeDelta::FromSeconds(120));
  ASSERT_EQ(1u + kQuickRoles, watched.size());
  EXPECT_TRUE(watched[0].ended);
  EXPECT_EQ(kStarterExitCode, watched[0].exit_code);
  const std::vector<const test::WatchedProcess*> roles = test::ChildrenOf(watched, watched[0].id);
  ASSERT_EQ(static_cast<size_t>(kQuickRoles), roles.size());
  for (const test::WatchedProcess* role : roles) {
    EXPECT_TRUE(role->ended);
    EXPECT_EQ(param.exit_code, role->exit_code) << "process " << role->id;
    EXPECT_EQ(test::GetTestExecutablePath().BaseName().value(), role->name);
  }
}

INSTANTIATE_TEST_SUITE_P(
    All,
    ProcessTreeTest,
    ::testing::Values(
        QuickRoleCase{"crash_at_once", L"fallback_handler:worker-access-violation", "1",
                      0xC0000005u},
        QuickRoleCase{"breakpoint_at_once", L"fallback_handler:breakpoint", "1", 0x80000003u},
        // Ends with 1 on its switches, before any crash handling.
        QuickRoleCase{"invalid_switches", L"", "not-a-number", 1}),
    [](const ::testing::TestParamInfo<QuickRoleCase>& info) { return info.param.name; });

}  // namespace
}  // namespace velta
