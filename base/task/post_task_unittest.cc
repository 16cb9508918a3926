// Copyright 2026 Velta Software. All rights reserved.

#include "base/task/post_task.h"

#include <memory>
#include <string>

#include "base/bind.h"
#include "base/message_loop/message_loop.h"
#include "base/run_loop.h"
#include "base/task/task_scheduler/task_scheduler.h"
#include "base/test/run_loop_with_timeout.h"
#include "base/threading/platform_thread.h"
#include "gtest/gtest.h"

namespace base {
namespace {

// The process-wide scheduler as the installer starts it, swapped in for
// each test and joined and removed afterwards.
class PostTaskTest : public ::testing::Test {
 protected:
  void SetUp() override {
    TaskScheduler::Create("installer");
    const SchedulerWorkerPoolParams pool(1, TimeDelta::FromSeconds(30));
    TaskScheduler::GetInstance()->Start(TaskScheduler::InitParams(
        pool, pool, pool,
        SchedulerWorkerPoolParams(1, TimeDelta::FromSeconds(30),
                                  SchedulerBackwardCompatibility::INIT_COM_STA)));
  }
  void TearDown() override {
    TaskScheduler::GetInstance()->JoinForTesting();
    TaskScheduler::SetInstance(nullptr);
  }

  MessageLoop loop_;
};

TEST_F(PostTaskTest, ReplyWithTraitsRunsOnThePostingThread) {
  const PlatformThreadId main_id = PlatformThread::CurrentId();
  PlatformThreadId task_id = kInvalidThreadId;
  PlatformThreadId reply_id = kInvalidThreadId;
  RunLoop run_loop;
  ASSERT_TRUE(PostTaskAndReplyWithTraits(
      FROM_HERE, {MayBlock(), TaskPriority::BACKGROUND},
      BindOnce([](PlatformThreadId* id) { *id = PlatformThread::CurrentId(); }, &task_id),
      BindOnce(
          [](PlatformThreadId* id, RepeatingClosure quit) {
            *id = PlatformThread::CurrentId();
            quit.Run();
          },
          &reply_id, run_loop.QuitClosure())));
  ASSERT_TRUE(test::RunWithTimeout(&run_loop));
  EXPECT_NE(main_id, task_id);
  EXPECT_NE(kInvalidThreadId, task_id);
  EXPECT_EQ(main_id, reply_id);
}

TEST_F(PostTaskTest, ResultOfAWorkerTaskReachesTheReply) {
  std::string result;
  RunLoop run_loop;
  ASSERT_TRUE(PostTaskWithTraitsAndReplyWithResult(
      FROM_HERE, {MayBlock()}, BindOnce([] { return std::string(PlatformThread::GetName()); }),
      BindOnce(
          [](std::string* out, RepeatingClosure quit, std::string value) {
            *out = value;
            quit.Run();
          },
          &result, run_loop.QuitClosure())));
  ASSERT_TRUE(test::RunWithTimeout(&run_loop));
  EXPECT_EQ("TaskSchedulerinstallerForegroundBlockingWorker", result);
}

TEST_F(PostTaskTest, ShutdownThenJoinAsAtExitAndAgain) {
  scoped_refptr<SequencedTaskRunner> runner =
      CreateSequencedTaskRunnerWithTraits({MayBlock(), TaskShutdownBehavior::BLOCK_SHUTDOWN});
  bool ran = false;
  ASSERT_TRUE(runner->PostTask(FROM_HERE, BindOnce([](bool* ran) { *ran = true; }, &ran)));
  TaskScheduler::GetInstance()->Shutdown();
  EXPECT_TRUE(ran);
  TaskScheduler::GetInstance()->JoinForTesting();
  TaskScheduler::GetInstance()->Shutdown();
  EXPECT_FALSE(PostTask(FROM_HERE, BindOnce([] {})));
}

}  // namespace
}  // namespace base
