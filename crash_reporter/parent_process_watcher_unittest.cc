// Copyright 2026 Velta Software. All rights reserved.

#include "crash_reporter/parent_process_watcher.h"

#include <windows.h>

#include "base/process/launch.h"
#include "base/test/child_process.h"
#include "base/test/multiprocess_test.h"
#include "crash_reporter/pending_work_counter.h"
#include "gtest/gtest.h"

namespace velta {
namespace {

VELTA_TEST_CHILD_MAIN(WaitUntilTerminated) {
  ::Sleep(INFINITE);
  return 0;
}

class ParentProcessWatcherTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(counter_.Init());
    child_ = base::LaunchProcess(test::MakeChildCommandLine("WaitUntilTerminated"),
                                 base::LaunchOptions());
    ASSERT_TRUE(child_.IsValid());
  }
  void TearDown() override { ::TerminateProcess(child_.Handle(), 0); }

  void EndChild() {
    ASSERT_TRUE(::TerminateProcess(child_.Handle(), 7));
    ASSERT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(child_.Handle(), 60000));
  }

  PendingWorkCounter counter_;
  base::Process child_;
};

TEST_F(ParentProcessWatcherTest, ReleasesItsCountWhenTheProcessEnds) {
  ParentProcessWatcher watcher(&counter_);
  ASSERT_TRUE(watcher.Start(child_.Pid()));
  EXPECT_EQ(1, counter_.count());
  EndChild();
  EXPECT_TRUE(counter_.WaitUntilIdle());
  EXPECT_EQ(0, counter_.count());
}

// A dump in flight keeps the reporter busy after its parent has gone.
TEST_F(ParentProcessWatcherTest, PendingWorkOutlivesTheParent) {
  ParentProcessWatcher watcher(&counter_);
  ASSERT_TRUE(watcher.Start(child_.Pid()));
  counter_.Increment();
  EndChild();
  counter_.Decrement();
  EXPECT_TRUE(counter_.WaitUntilIdle());
  EXPECT_EQ(0, counter_.count());
}

TEST_F(ParentProcessWatcherTest, DestroyedWatcherReleasesExactlyOnce) {
  {
    ParentProcessWatcher watcher(&counter_);
    ASSERT_TRUE(watcher.Start(child_.Pid()));
    counter_.Increment();  // the work of a dump request
  }
  EXPECT_EQ(1, counter_.count());
  EndChild();
  EXPECT_EQ(1, counter_.count());
  counter_.Decrement();
  EXPECT_TRUE(counter_.WaitUntilIdle());
}

TEST_F(ParentProcessWatcherTest, UnknownProcessIsRefused) {
  ParentProcessWatcher watcher(&counter_);
  EXPECT_FALSE(watcher.Start(0xFFFFFFF0u));
  EXPECT_EQ(0, counter_.count());
}

}  // namespace
}  // namespace velta
