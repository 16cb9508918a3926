// Copyright 2026 Velta Software. All rights reserved.

#include "base/process/process.h"

#include <windows.h>

#include <string>
#include <utility>

#include "base/command_line.h"
#include "base/logging.h"
#include "base/process/launch.h"
#include "base/test/child_process.h"
#include "base/test/multiprocess_test.h"
#include "base/test/scoped_log_collector.h"
#include "base/test/unique_names.h"
#include "base/win/scoped_handle.h"
#include "gtest/gtest.h"

namespace base {
namespace {

// Waits (at most a minute) for the event named by --event, then exits 7.
VELTA_TEST_CHILD_MAIN(WaitForEvent) {
  const std::wstring name = CommandLine::ForCurrentProcess()->GetSwitchValueNative("event");
  win::ScopedHandle event(::OpenEventW(SYNCHRONIZE, FALSE, name.c_str()));
  if (!event.IsValid())
    return 2;
  return ::WaitForSingleObject(event.Get(), 60000) == WAIT_OBJECT_0 ? 7 : 3;
}

// A child that runs until the test lets it go (or ends it).
class ProcessTest : public ::testing::Test {
 protected:
  void SetUp() override {
    event_.Set(::CreateEventW(nullptr, TRUE, FALSE, event_name_.c_str()));
    ASSERT_TRUE(event_.IsValid());
    CommandLine command_line = velta::test::MakeChildCommandLine("WaitForEvent");
    command_line.AppendSwitchNative("event", event_name_);
    child_ = LaunchProcess(command_line, LaunchOptions());
    ASSERT_TRUE(child_.IsValid());
  }
  void TearDown() override {
    ::SetEvent(event_.Get());
    if (child_.IsValid())
      velta::test::WaitForChildExit(child_, TimeDelta::FromSeconds(60), nullptr);
  }

  const std::wstring event_name_ = L"Local\\" + velta::test::UniqueWideName("process");
  win::ScopedHandle event_;
  Process child_;
};

TEST_F(ProcessTest, WaitTimesOutWhileRunningAndReturnsTheCodeAfterwards) {
  int exit_code = -1;
  EXPECT_FALSE(child_.WaitForExitWithTimeout(TimeDelta(), &exit_code));
  EXPECT_EQ(-1, exit_code);  // untouched
  ASSERT_TRUE(::SetEvent(event_.Get()));
  ASSERT_TRUE(child_.WaitForExit(&exit_code));
  EXPECT_EQ(7, exit_code);
}

TEST_F(ProcessTest, TerminateEndsTheChildWithTheGivenCode) {
  EXPECT_TRUE(child_.Terminate(1603, true));
  int exit_code = 0;
  ASSERT_TRUE(child_.WaitForExitWithTimeout(TimeDelta(), &exit_code));
  EXPECT_EQ(1603, exit_code);
  // Ending a process that is already gone is no failure.
  EXPECT_TRUE(child_.Terminate(5, false));
}

// A handle with only the rights to end a process and wait for it: the wait
// after ending it succeeds, with no complaint that the process lives on.
TEST_F(ProcessTest, TerminateWaitsThroughAHandleThatCannotReadTheCode) {
  Process limited = Process::OpenWithAccess(child_.Pid(), PROCESS_TERMINATE | SYNCHRONIZE);
  ASSERT_TRUE(limited.IsValid());
  {
    test::ScopedLogCollector errors(logging::LOG_ERROR);
    EXPECT_TRUE(limited.Terminate(1, /*wait=*/true));
    EXPECT_TRUE(errors.lines.empty()) << errors.lines.front();
  }
  EXPECT_TRUE(limited.WaitForExitWithTimeout(TimeDelta(), nullptr));
  int exit_code = 0;
  EXPECT_FALSE(limited.WaitForExitWithTimeout(TimeDelta(), &exit_code));
  ASSERT_TRUE(child_.WaitForExitWithTimeout(TimeDelta(), &exit_code));
  EXPECT_EQ(1, exit_code);
}

TEST_F(ProcessTest, OpenAndDuplicateGiveIndependentHandles) {
  Process opened = Process::Open(child_.Pid());
  ASSERT_TRUE(opened.IsValid());
  EXPECT_EQ(child_.Pid(), opened.Pid());
  Process duplicate = child_.Duplicate();
  ASSERT_TRUE(duplicate.IsValid());
  EXPECT_NE(child_.Handle(), duplicate.Handle());
  child_.Close();
  child_.Close();
  EXPECT_FALSE(child_.IsValid());
  EXPECT_EQ(0u, child_.Pid());
  ASSERT_TRUE(::SetEvent(event_.Get()));
  int exit_code = 0;
  ASSERT_TRUE(duplicate.WaitForExit(&exit_code));
  EXPECT_EQ(7, exit_code);
  ASSERT_TRUE(opened.WaitForExitWithTimeout(TimeDelta(), &exit_code));
  EXPECT_EQ(7, exit_code);

  Process moved(std::move(duplicate));
  EXPECT_FALSE(duplicate.IsValid());
  EXPECT_TRUE(moved.IsValid());
}

TEST(ProcessCurrentTest, CurrentProcessIsThePseudoHandle) {
  Process current = Process::Current();
  EXPECT_TRUE(current.IsValid());
  EXPECT_TRUE(current.is_current());
  EXPECT_EQ(GetCurrentProcessHandle(), current.Handle());
  EXPECT_EQ(GetCurrentProcId(), current.Pid());
  EXPECT_TRUE(Process::Open(GetCurrentProcId()).is_current());
  EXPECT_TRUE(current.Duplicate().is_current());
  EXPECT_FALSE(current.WaitForExitWithTimeout(TimeDelta(), nullptr));
}

TEST(ProcessCurrentTest, NoProcessIsInvalidEverywhere) {
  Process none;
  EXPECT_FALSE(none.IsValid());
  EXPECT_FALSE(none.WaitForExitWithTimeout(TimeDelta(), nullptr));
  EXPECT_FALSE(none.Terminate(1, false));
  EXPECT_FALSE(none.Duplicate().IsValid());
  EXPECT_FALSE(Process::Open(0xFFFFFFF0u).IsValid());
}

}  // namespace
}  // namespace base
