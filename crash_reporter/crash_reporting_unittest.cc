// Copyright 2026 Velta Software. All rights reserved.

#include "crash_reporter/crash_reporting.h"

#include <windows.h>

#include <string>
#include <vector>

#include "base/command_line.h"
#include "base/files/file_util.h"
#include "base/files/scoped_temp_dir.h"
#include "base/process/launch.h"
#include "base/strings/string_number_conversions.h"
#include "base/strings/string_util.h"
#include "base/test/child_process.h"
#include "base/test/multiprocess_test.h"
#include "base/test/unique_names.h"
#include "base/win/scoped_handle.h"
#include "crash_reporter/crash_reporter_process.h"
#include "gtest/gtest.h"

namespace velta {
namespace {

constexpr char kPidFileSwitch[] = "pid-file";
constexpr char kReadyEventSwitch[] = "ready-event";
constexpr char kGoEventSwitch[] = "go-event";
constexpr int kNotACrashRole = 99;

VELTA_TEST_CHILD_MAIN(NotACrashRole) {
  return kNotACrashRole;
}

// Starts crash reporting, writes its reporter's id to --pid-file, sets
// --ready-event and ends once --go-event is set.
VELTA_TEST_CHILD_MAIN(StartCrashReportingAndWait) {
  const base::CommandLine& command_line = *base::CommandLine::ForCurrentProcess();
  StartCrashReporting("installer");
  const std::string id =
      base::NumberToString(InstallerCrashReporterClient::GetInstance()->reporter_process_id());
  if (!base::WriteFile(command_line.GetSwitchValuePath(kPidFileSwitch), id))
    return 2;
  base::win::ScopedHandle ready(::OpenEventW(
      EVENT_MODIFY_STATE, FALSE, command_line.GetSwitchValueNative(kReadyEventSwitch).c_str()));
  base::win::ScopedHandle go(::OpenEventW(
      SYNCHRONIZE, FALSE, command_line.GetSwitchValueNative(kGoEventSwitch).c_str()));
  if (!ready.IsValid() || !go.IsValid())
    return 3;
  ::SetEvent(ready.Get());
  return ::WaitForSingleObject(go.Get(), 60000) == WAIT_OBJECT_0 ? 0 : 4;
}

struct RoleCase {
  const char* label;
  std::vector<std::string> switches;  // "name=value" or "name"
  uint32_t exit_code;
};

class CrashRoleExitCodeTest : public ::testing::TestWithParam<RoleCase> {};

TEST_P(CrashRoleExitCodeTest, EndsWithItsOwnCode) {
  base::ScopedTempDir dir;
  ASSERT_TRUE(dir.CreateUniqueTempDir());
  base::CommandLine command_line = test::MakeChildCommandLine("NotACrashRole");
  for (std::string item : GetParam().switches) {
    base::ReplaceSubstringsAfterOffset(&item, 0, "<own pid>",
                                       std::to_string(::GetCurrentProcessId()));
    const size_t equals = item.find('=');
    command_line.AppendSwitchASCII(item.substr(0, equals),
                                   equals == std::string::npos ? "" : item.substr(equals + 1));
  }
  test::ChildOptions options;
  options.launch.environment[L"VELTA_CRASH_LOG_DIR"] = dir.GetPath().value();
  options.launch.environment[L"TEMP"] = dir.GetPath().value();
  options.launch.environment[L"TMP"] = dir.GetPath().value();
  const test::ChildResult result = test::RunChild(command_line, options);
  ASSERT_TRUE(result.exited);
  EXPECT_EQ(GetParam().exit_code, result.exit_code);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CrashRoleExitCodeTest,
    ::testing::Values(
        RoleCase{"NotACrashRole", {}, kNotACrashRole},
        RoleCase{"BadParentId", {"crash-reporter-parent-id=abc"}, kCrashReporterFailed},
        RoleCase{"ParentIdTooLarge", {"crash-reporter-parent-id=4294967296"},
                 kCrashReporterFailed},
        // This test process made no init event for a reporter.
        RoleCase{"NoInitEvent", {"crash-reporter-parent-id=<own pid>"}, kCrashReporterFailed},
        RoleCase{"CrashHandlerFeatureBeforeAnyPipe",
                 {"crash-reporter-parent-id=<own pid>", "with-feature:enable-crashpad-on-windows"},
                 kCrashReporterUseCrashHandler},
        RoleCase{"FallbackWinsOverReporter",
                 {"crash-reporter-exception-info=16", "crash-reporter-parent-id=abc"},
                 kCrashReporterFailed},
        RoleCase{"FallbackTypeWithoutHandler", {"type=fallback-handler"}, 1u},
        RoleCase{"OtherType", {"type=renderer"}, kNotACrashRole}),
    [](const auto& info) { return std::string(info.param.label); });

struct LifecycleCase {
  const char* label;
  std::vector<std::string> switches;
  bool expect_reporter;
  bool kill_parent;
};

class CrashReporterLifecycleTest : public ::testing::TestWithParam<LifecycleCase> {};

// A reporter serves until its parent has ended, however it ended, then exits
// with 0; with the crash handler feature the client gets no reporter.
TEST_P(CrashReporterLifecycleTest, ReporterFollowsItsParent) {
  base::ScopedTempDir dir;
  ASSERT_TRUE(dir.CreateUniqueTempDir());
  const base::FilePath pid_file = dir.GetPath().Append(L"reporter.pid");
  const std::wstring ready_name = test::UniqueWideName("ready");
  const std::wstring go_name = test::UniqueWideName("go");
  base::win::ScopedHandle ready(::CreateEventW(nullptr, TRUE, FALSE, ready_name.c_str()));
  base::win::ScopedHandle go(::CreateEventW(nullptr, TRUE, FALSE, go_name.c_str()));

  base::CommandLine command_line = test::MakeChildCommandLine("StartCrashReportingAndWait");
  command_line.AppendSwitchPath(kPidFileSwitch, pid_file);
  command_line.AppendSwitchNative(kReadyEventSwitch, ready_name);
  command_line.AppendSwitchNative(kGoEventSwitch, go_name);
  for (const std::string& item : GetParam().switches)
    command_line.AppendSwitch(item);
  base::LaunchOptions options;
  options.environment[L"VELTA_CRASH_LOG_DIR"] = dir.GetPath().value();
  options.environment[L"TEMP"] = dir.GetPath().value();
  options.environment[L"TMP"] = dir.GetPath().value();
  base::Process parent = base::LaunchProcess(command_line, options);
  ASSERT_TRUE(parent.IsValid());
  ASSERT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(ready.Get(), 60000));

  std::string text;
  ASSERT_TRUE(base::ReadFileToString(pid_file, &text));
  unsigned reporter_id = 0;
  ASSERT_TRUE(base::StringToUint(text, &reporter_id));
  if (!GetParam().expect_reporter) {
    EXPECT_EQ(0u, reporter_id);
    ::SetEvent(go.Get());
    return;
  }
  ASSERT_NE(0u, reporter_id);
  base::win::ScopedHandle reporter(
      ::OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, reporter_id));
  ASSERT_TRUE(reporter.IsValid());
  EXPECT_EQ(WAIT_TIMEOUT, ::WaitForSingleObject(reporter.Get(), 0));

  if (GetParam().kill_parent)
    ::TerminateProcess(parent.Handle(), 9);
  else
    ::SetEvent(go.Get());
  uint32_t parent_exit = 0;
  ASSERT_TRUE(test::WaitForChildExit(parent, base::TimeDelta::FromSeconds(60), &parent_exit));
  EXPECT_EQ(GetParam().kill_parent ? 9u : 0u, parent_exit);
  ASSERT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(reporter.Get(), 60000));
  DWORD reporter_exit = 1;
  ASSERT_TRUE(::GetExitCodeProcess(reporter.Get(), &reporter_exit));
  EXPECT_EQ(static_cast<DWORD>(kCrashReporterServed), reporter_exit);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CrashReporterLifecycleTest,
    ::testing::Values(
        LifecycleCase{"ParentEnds", {}, true, false},
        LifecycleCase{"ParentKilled", {}, true, true},
        LifecycleCase{"CrashHandlerFeature", {"with-feature:enable-crashpad-on-windows"}, false,
                      false}),
    [](const auto& info) { return std::string(info.param.label); });

TEST(CrashRoleTest, RolesFromSwitches) {
  const auto make = [](const wchar_t* text) {
    return base::CommandLine::FromString(std::wstring(L"installer.exe ") + text);
  };
  EXPECT_TRUE(IsCrashReporterProcess(make(L"--crash-reporter-parent-id=5")));
  EXPECT_TRUE(IsCrashReporterProcess(make(L"--type=crashpad-handler")));
  EXPECT_FALSE(IsCrashReporterProcess(make(L"--type=fallback-handler")));
  EXPECT_TRUE(IsFallbackHandlerProcess(make(L"--type=fallback-handler")));
  EXPECT_TRUE(IsFallbackHandlerProcess(
      make(L"--crash-reporter-exception-info=1 --crash-reporter-parent-id=5")));
  EXPECT_FALSE(IsFallbackHandlerProcess(make(L"--backend")));
}

}  // namespace
}  // namespace velta
