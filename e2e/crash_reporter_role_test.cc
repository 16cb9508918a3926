// Copyright 2026 Velta Software. All rights reserved.

// The crash reporter of the real installer.exe: the exit codes that tell its
// client what happened (returned unmapped), its end with its parent, and
// that an ordinary run leaves no reporter behind.

#include <windows.h>

#include <string>
#include <vector>

#include "base/command_line.h"
#include "base/files/file_path.h"
#include "base/files/file_util.h"
#include "base/files/scoped_temp_dir.h"
#include "base/process/launch.h"
#include "base/test/child_process.h"
#include "base/test/multiprocess_test.h"
#include "base/win/scoped_handle.h"
#include "e2e/process_tree.h"
#include "gtest/gtest.h"

namespace velta {
namespace {

using test::ChildrenOf;
using test::WatchedProcess;
using test::RunAndWatchProcessTree;

// A parent that lives until it is killed.
VELTA_TEST_CHILD_MAIN(SleepingParent) {
  ::Sleep(INFINITE);
  return 0;
}

class CrashReporterRoleTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir_.CreateUniqueTempDir());
    temp_ = dir_.GetPath().Append(L"temp");
    bin_ = dir_.GetPath().Append(L"bin");
    ASSERT_TRUE(base::CreateDirectory(temp_));
    ASSERT_TRUE(test::CopyInstallerFiles(bin_));
  }

  base::LaunchOptions Options() const {
    base::LaunchOptions options;
    options.environment[L"TEMP"] = temp_.value();
    options.environment[L"TMP"] = temp_.value();
    options.environment[L"VELTA_CRASH_LOG_DIR"] = dir_.GetPath().Append(L"dumps").value();
    return options;
  }

  base::CommandLine InstallerCommandLine(const std::vector<std::string>& switches) const {
    base::CommandLine command_line(bin_.Append(L"installer.exe"));
    test::AppendSwitches(switches, &command_line);
    return command_line;
  }

  base::Process StartInstaller(const std::vector<std::string>& switches) const {
    return base::LaunchProcess(InstallerCommandLine(switches), Options());
  }

  base::ScopedTempDir dir_;
  base::FilePath temp_;
  base::FilePath bin_;
};

struct ReporterExitCase {
  const char* name;
  // The parent id; empty: this test process, which made no init event.
  std::string parent_id;
  std::vector<std::string> switches;
  uint32_t exit_code;
};

class CrashReporterExitTest : public CrashReporterRoleTest,
                              public ::testing::WithParamInterface<ReporterExitCase> {};

TEST_P(CrashReporterExitTest, TellsItsClientThroughItsExitCode) {
  const std::string parent = GetParam().parent_id.empty()
                                 ? std::to_string(::GetCurrentProcessId())
                                 : GetParam().parent_id;
  std::vector<std::string> switches = GetParam().switches;
  switches.push_back("crash-reporter-parent-id=" + parent);
  base::Process reporter = StartInstaller(switches);
  ASSERT_TRUE(reporter.IsValid());
  uint32_t exit_code = 0;
  ASSERT_TRUE(test::WaitForChildExit(reporter, base::TimeDelta::FromSeconds(60), &exit_code));
  EXPECT_EQ(GetParam().exit_code, exit_code);
}

INSTANTIATE_TEST_SUITE_P(
    Parents, CrashReporterExitTest,
    ::testing::Values(
        ReporterExitCase{"parent_id_not_a_number", "12ab", {}, 1},
        ReporterExitCase{"parent_id_past_32_bits", "4294967296", {}, 1},
        ReporterExitCase{"parent_id_of_no_process", "0", {}, 1},
        // A running parent that made no init event.
        ReporterExitCase{"no_init_event", "", {}, 1},
        // With the crash handler asked for, before any pipe or event.
        ReporterExitCase{"crash_handler_feature",
                         "",
                         {"with-feature:enable-crashpad-on-windows"},
                         3}),
    [](const ::testing::TestParamInfo<ReporterExitCase>& info) { return info.param.name; });

// A reporter serves until its parent ends, killed or not, then ends with 0.
TEST_F(CrashReporterRoleTest, EndsWithZeroOnceItsKilledParentIsGone) {
  base::Process parent = base::LaunchProcess(test::MakeChildCommandLine("SleepingParent"),
                                             base::LaunchOptions());
  ASSERT_TRUE(parent.IsValid());
  base::win::ScopedHandle init_event(::CreateEventW(
      nullptr, TRUE, FALSE, (L"VeltaCrashReporterInitEvent" + std::to_wstring(parent.Pid())).c_str()));
  ASSERT_TRUE(init_event.IsValid());
  base::Process reporter =
      StartInstaller({"crash-reporter-parent-id=" + std::to_string(parent.Pid())});
  ASSERT_TRUE(reporter.IsValid());
  const HANDLE handles[] = {init_event.Get(), reporter.Handle()};
  EXPECT_EQ(WAIT_OBJECT_0, ::WaitForMultipleObjects(2, handles, FALSE, 60000))
      << "the reporter did not get ready";
  EXPECT_EQ(WAIT_TIMEOUT, ::WaitForSingleObject(reporter.Handle(), 0))
      << "the reporter ended while its parent runs";
  ASSERT_TRUE(parent.Terminate(9, true));
  uint32_t exit_code = 1;
  ASSERT_TRUE(test::WaitForChildExit(reporter, base::TimeDelta::FromSeconds(60), &exit_code));
  EXPECT_EQ(0u, exit_code);
}

// An ordinary run starts its crash reporter, which is gone once the run
// has ended: no process that the run started is left running. (A silent
// uninstall with no installation ends at once; an installation run would
// first fetch its package.)
TEST_F(CrashReporterRoleTest, OrdinaryRunLeavesNoReporterRunning) {
  const std::vector<WatchedProcess> watched = RunAndWatchProcessTree(
      InstallerCommandLine({"uninstall", "silent", "enable-installer-stats=0"}),
      Options().environment, base::TimeDelta::FromSeconds(120));
  ASSERT_FALSE(watched.empty());
  for (const WatchedProcess& process : watched)
    EXPECT_TRUE(process.ended) << "process " << process.id << " is left running";
  // The reporter served this run; it is one of the run's children (another
  // one tries whether programs start in the download folder).
  std::string log;
  ASSERT_TRUE(base::ReadFileToString(temp_.Append(L"velta_crashreporter.log"), &log));
  EXPECT_NE(std::string::npos, log.find("Serving crashes of process " +
                                        std::to_string(watched[0].id) + "\n"))
      << log;
  EXPECT_FALSE(ChildrenOf(watched, watched[0].id).empty());
}

}  // namespace
}  // namespace velta
