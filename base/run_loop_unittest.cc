// Copyright 2026 Velta Software. All rights reserved.

#include "base/run_loop.h"

#include <string>
#include <vector>

#include "base/bind.h"
#include "base/message_loop/message_loop.h"
#include "base/test/run_loop_with_timeout.h"
#include "base/threading/thread.h"
#include "base/threading/thread_task_runner_handle.h"
#include "gmock/gmock.h"
#include "gtest/gtest.h"

namespace base {
namespace {

using ::testing::ElementsAre;

class RunLoopTest : public ::testing::TestWithParam<MessageLoop::Type> {
 protected:
  void Post(OnceClosure task) {
    ThreadTaskRunnerHandle::Get()->PostTask(FROM_HERE, std::move(task));
  }
  OnceClosure Log(const std::string& entry) {
    return BindOnce([](std::vector<std::string>* log, std::string entry) { log->push_back(entry); },
                    &log_, entry);
  }

  MessageLoop loop_{GetParam()};
  std::vector<std::string> log_;
};

TEST_P(RunLoopTest, QuitEndsRunAfterTheCurrentTask) {
  RunLoop run_loop;
  Post(Log("first"));
  Post(BindOnce(
      [](RunLoop* run_loop, std::vector<std::string>* log) {
        run_loop->Quit();
        log->push_back("quitting task ends");
      },
      &run_loop, &log_));
  Post(Log("after quit"));
  ASSERT_TRUE(test::RunWithTimeout(&run_loop));
  EXPECT_THAT(log_, ElementsAre("first", "quitting task ends"));
  EXPECT_FALSE(run_loop.running());
  // The task left behind runs in the next loop.
  RunLoop().RunUntilIdle();
  EXPECT_THAT(log_, ElementsAre("first", "quitting task ends", "after quit"));
}

TEST_P(RunLoopTest, QuitBeforeRunReturnsAtOnce) {
  RunLoop run_loop;
  Post(Log("queued"));
  run_loop.Quit();
  run_loop.Run();
  EXPECT_TRUE(log_.empty());
  RunLoop().RunUntilIdle();
  EXPECT_THAT(log_, ElementsAre("queued"));
}

TEST_P(RunLoopTest, QuitClosureWorksFromAnotherThread) {
  RunLoop run_loop;
  Thread other("quitter");
  ASSERT_TRUE(other.Start());
  other.task_runner()->PostTask(FROM_HERE, run_loop.QuitClosure());
  ASSERT_TRUE(test::RunWithTimeout(&run_loop));
  // A closure that outlives its RunLoop does nothing.
  RepeatingClosure stale;
  {
    RunLoop gone;
    stale = gone.QuitClosure();
  }
  other.task_runner()->PostTask(FROM_HERE, stale);
  other.Stop();
  RunLoop().RunUntilIdle();
}

TEST_P(RunLoopTest, RunUntilIdleRunsReadyTasksButNotFutureOnes) {
  Post(Log("a"));
  Post(BindOnce(
      [](std::vector<std::string>* log) {
        log->push_back("b");
        ThreadTaskRunnerHandle::Get()->PostTask(
            FROM_HERE, BindOnce([](std::vector<std::string>* log) { log->push_back("c"); }, log));
      },
      &log_));
  ThreadTaskRunnerHandle::Get()->PostDelayedTask(FROM_HERE, Log("later"), TimeDelta::FromHours(1));
  RunLoop().RunUntilIdle();
  EXPECT_THAT(log_, ElementsAre("a", "b", "c"));
}

TEST_P(RunLoopTest, NestedLoopRunsTasksOnlyWhenAllowed) {
  // Inside a task, a kDefault nested loop runs no tasks; QuitWhenIdle ends it
  // at once. One of kNestableTasksAllowed runs them.
  RunLoop outer;
  Post(BindOnce(
      [](std::vector<std::string>* log, RunLoop* outer) {
        ThreadTaskRunnerHandle::Get()->PostTask(
            FROM_HERE,
            BindOnce(
                [](std::vector<std::string>* log) {
                  log->push_back(RunLoop::IsNestedOnCurrentThread() ? "queued, nested" : "queued");
                },
                log));
        RunLoop strict;
        strict.RunUntilIdle();
        log->push_back("strict nested loop returned");
        EXPECT_TRUE(RunLoop::IsRunningOnCurrentThread());
        RunLoop nestable(RunLoop::Type::kNestableTasksAllowed);
        ThreadTaskRunnerHandle::Get()->PostTask(FROM_HERE, nestable.QuitClosure());
        EXPECT_TRUE(test::RunWithTimeout(&nestable));
        log->push_back("nestable nested loop returned");
        outer->Quit();
      },
      &log_, &outer));
  ASSERT_TRUE(test::RunWithTimeout(&outer));
  EXPECT_THAT(log_, ElementsAre("strict nested loop returned", "queued, nested",
                                "nestable nested loop returned"));
  EXPECT_FALSE(RunLoop::IsRunningOnCurrentThread());
}

TEST_P(RunLoopTest, QuittingTheOuterLoopWhileNestedEndsItAfterTheInnerOne) {
  RunLoop outer;
  Post(BindOnce(
      [](std::vector<std::string>* log, RunLoop* outer) {
        RunLoop inner(RunLoop::Type::kNestableTasksAllowed);
        ThreadTaskRunnerHandle::Get()->PostTask(FROM_HERE,
                                                BindOnce(&RunLoop::Quit, Unretained(outer)));
        ThreadTaskRunnerHandle::Get()->PostTask(
            FROM_HERE,
            BindOnce([](std::vector<std::string>* log) { log->push_back("inner task"); }, log));
        ThreadTaskRunnerHandle::Get()->PostTask(FROM_HERE, inner.QuitClosure());
        EXPECT_TRUE(test::RunWithTimeout(&inner));
        log->push_back("inner returned");
        // The outer loop was quit meanwhile: it ends before running this.
        ThreadTaskRunnerHandle::Get()->PostTask(
            FROM_HERE,
            BindOnce([](std::vector<std::string>* log) { log->push_back("too late"); }, log));
      },
      &log_, &outer));
  ASSERT_TRUE(test::RunWithTimeout(&outer));
  EXPECT_THAT(log_, ElementsAre("inner task", "inner returned"));
  RunLoop().RunUntilIdle();
  EXPECT_THAT(log_, ElementsAre("inner task", "inner returned", "too late"));
}

INSTANTIATE_TEST_SUITE_P(AllTypes,
                         RunLoopTest,
                         ::testing::Values(MessageLoop::TYPE_DEFAULT,
                                           MessageLoop::TYPE_UI,
                                           MessageLoop::TYPE_IO));

}  // namespace
}  // namespace base
