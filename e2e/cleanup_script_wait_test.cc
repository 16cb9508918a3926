// Copyright 2026 Velta Software. All rights reserved.

// The uninstall's clean-up script run by cmd as the uninstaller starts it:
// its loop waits while a process it watches runs (TASKLIST /FI "PID eq n"
// piped to FIND /c /i ".exe"), then deletes what it lists and itself. Under
// Wine that wait rests on the test prefixes' own tasklist.exe and find.exe
// (testing/wine), in the cmd of the tree's architecture.

#include <windows.h>

#include "base/files/file_path.h"
#include "base/files/file_util.h"
#include "base/files/scoped_temp_dir.h"
#include "base/process/launch.h"
#include "base/process/process.h"
#include "base/test/child_process.h"
#include "base/test/multiprocess_test.h"
#include "base/time/time.h"
#include "desktop/windows/installer/steps/cleanup_batch.h"
#include "gtest/gtest.h"

namespace velta {
namespace {

// The process the script watches: it runs until the test ends it.
VELTA_TEST_CHILD_MAIN(RunsUntilEnded) {
  ::Sleep(INFINITE);
  return 0;
}

// How long a script that waits must still be running: several rounds of
// its loop, each a second's ping.
constexpr base::TimeDelta kSeveralRounds = base::TimeDelta::FromSeconds(5);
// A bound for a script that has nothing to wait for.
constexpr base::TimeDelta kScriptBound = base::TimeDelta::FromSeconds(60);

class CleanupScriptWaitTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(temp_.CreateUniqueTempDir());
    folder_ = temp_.GetPath().Append(L"Velta");
    file_ = folder_.Append(L"installer.exe");
    ASSERT_TRUE(base::CreateDirectory(folder_));
    ASSERT_TRUE(base::WriteFile(file_, "x"));
  }

  // A watched process a failed expectation left running.
  void TearDown() override {
    if (watched_.IsValid())
      watched_.Terminate(0, /*wait=*/true);
  }

  // Writes the script watching `pid` and deleting the file, and starts it
  // as the uninstaller does: cmd, hidden.
  base::Process StartScript(uint32_t pid) {
    EXPECT_TRUE(WriteCleanupBatch(folder_, CleanupBatch{.writer_pid = pid, .files = {file_}}));
    base::LaunchOptions options;
    options.start_hidden = true;
    return base::LaunchProcess(
        L"cmd.exe /c \"" + folder_.Append(kCleanupBatchName).value() + L"\"", options);
  }

  base::ScopedTempDir temp_;
  base::Process watched_;
  base::FilePath folder_;
  base::FilePath file_;
};

TEST_F(CleanupScriptWaitTest, WaitsWhileTheProcessRunsAndDeletesOnceItEnds) {
  watched_ = base::LaunchProcess(test::MakeChildCommandLine("RunsUntilEnded"), {});
  ASSERT_TRUE(watched_.IsValid());
  base::Process script = StartScript(watched_.Pid());
  ASSERT_TRUE(script.IsValid());

  EXPECT_FALSE(script.WaitForExitWithTimeout(kSeveralRounds, nullptr));
  EXPECT_TRUE(base::PathExists(file_));

  ASSERT_TRUE(watched_.Terminate(0, /*wait=*/true));
  uint32_t exit_code = 0;
  EXPECT_TRUE(test::WaitForChildExit(script, kScriptBound, &exit_code));
  EXPECT_FALSE(base::PathExists(file_));
  EXPECT_FALSE(base::PathExists(folder_.Append(kCleanupBatchName)));
}

TEST_F(CleanupScriptWaitTest, DeletesAtOnceWhenTheProcessHasEnded) {
  watched_ = base::LaunchProcess(test::MakeChildCommandLine("RunsUntilEnded"), {});
  ASSERT_TRUE(watched_.IsValid());
  // Ended, its handle kept: its id goes to no other process meanwhile.
  ASSERT_TRUE(watched_.Terminate(0, /*wait=*/true));
  base::Process script = StartScript(watched_.Pid());
  ASSERT_TRUE(script.IsValid());

  uint32_t exit_code = 0;
  EXPECT_TRUE(test::WaitForChildExit(script, kScriptBound, &exit_code));
  EXPECT_FALSE(base::PathExists(file_));
  EXPECT_FALSE(base::PathExists(folder_.Append(kCleanupBatchName)));
}

}  // namespace
}  // namespace velta
