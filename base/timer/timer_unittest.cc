// Copyright 2026 Velta Software. All rights reserved.

#include "base/timer/timer.h"

#include <memory>

#include "base/bind.h"
#include "base/message_loop/message_loop.h"
#include "base/run_loop.h"
#include "base/test/run_loop_with_timeout.h"
#include "base/threading/platform_thread.h"
#include "base/threading/thread.h"
#include "base/threading/thread_task_runner_handle.h"
#include "gtest/gtest.h"

namespace base {
namespace {

constexpr TimeDelta kShort = TimeDelta::FromMilliseconds(5);

class TimerTest : public ::testing::TestWithParam<MessageLoop::Type> {
 protected:
  // Runs the loop until a task posted `delay` after every timer in the test
  // would have fired.
  void RunFor(TimeDelta delay) {
    RunLoop run_loop;
    ThreadTaskRunnerHandle::Get()->PostDelayedTask(FROM_HERE, run_loop.QuitClosure(), delay);
    ASSERT_TRUE(test::RunWithTimeout(&run_loop));
  }

  MessageLoop loop_{GetParam()};
  int fired_ = 0;
  OnceClosure Count() {
    return BindOnce([](int* fired) { ++*fired; }, &fired_);
  }
};

TEST_P(TimerTest, OneShotFiresOnceOnTheStartingThread) {
  OneShotTimer timer;
  RunLoop run_loop;
  PlatformThreadId fired_on = kInvalidThreadId;
  timer.Start(FROM_HERE, kShort,
              BindOnce(
                  [](int* fired, PlatformThreadId* id, RepeatingClosure quit) {
                    ++*fired;
                    *id = PlatformThread::CurrentId();
                    quit.Run();
                  },
                  &fired_, &fired_on, run_loop.QuitClosure()));
  EXPECT_TRUE(timer.IsRunning());
  ASSERT_TRUE(test::RunWithTimeout(&run_loop));
  EXPECT_EQ(1, fired_);
  EXPECT_EQ(PlatformThread::CurrentId(), fired_on);
  EXPECT_FALSE(timer.IsRunning());
  RunFor(kShort * 4);
  EXPECT_EQ(1, fired_);
}

TEST_P(TimerTest, RepeatingRepeatsUntilStopped) {
  RepeatingTimer timer;
  RunLoop run_loop;
  timer.Start(FROM_HERE, kShort,
              BindRepeating(
                  [](int* fired, RepeatingTimer* timer, RepeatingClosure quit) {
                    if (++*fired == 3) {
                      timer->Stop();
                      quit.Run();
                    }
                  },
                  &fired_, &timer, run_loop.QuitClosure()));
  ASSERT_TRUE(test::RunWithTimeout(&run_loop));
  EXPECT_EQ(3, fired_);
  EXPECT_FALSE(timer.IsRunning());
  RunFor(kShort * 4);
  EXPECT_EQ(3, fired_);
  // A stopped repeating timer keeps its task: Reset starts it again.
  RunLoop again;
  timer.Reset();
  EXPECT_TRUE(timer.IsRunning());
  ThreadTaskRunnerHandle::Get()->PostDelayedTask(FROM_HERE, again.QuitClosure(), kShort * 3);
  ASSERT_TRUE(test::RunWithTimeout(&again));
  EXPECT_GT(fired_, 3);
}

TEST_P(TimerTest, StopAndDestructionCancel) {
  OneShotTimer stopped;
  stopped.Start(FROM_HERE, kShort, Count());
  stopped.Stop();
  EXPECT_FALSE(stopped.IsRunning());
  {
    OneShotTimer destroyed;
    destroyed.Start(FROM_HERE, kShort, Count());
  }
  auto repeating = std::make_unique<RepeatingTimer>();
  repeating->Start(FROM_HERE, kShort, BindRepeating([](int* fired) { ++*fired; }, &fired_));
  repeating.reset();
  RunFor(kShort * 4);
  EXPECT_EQ(0, fired_);
}

TEST_P(TimerTest, RestartReplacesThePendingRun) {
  OneShotTimer timer;
  timer.Start(FROM_HERE, kShort, Count());
  RunLoop run_loop;
  timer.Start(FROM_HERE, kShort,
              BindOnce(
                  [](int* fired, RepeatingClosure quit) {
                    *fired += 10;
                    quit.Run();
                  },
                  &fired_, run_loop.QuitClosure()));
  ASSERT_TRUE(test::RunWithTimeout(&run_loop));
  RunFor(kShort * 4);
  EXPECT_EQ(10, fired_);
}

TEST_P(TimerTest, TaskMayDestroyItsTimer) {
  auto timer = std::make_unique<RepeatingTimer>();
  RunLoop run_loop;
  timer->Start(FROM_HERE, kShort,
               BindRepeating(
                   [](std::unique_ptr<RepeatingTimer>* timer, int* fired, RepeatingClosure quit) {
                     ++*fired;
                     timer->reset();
                     quit.Run();
                   },
                   &timer, &fired_, run_loop.QuitClosure()));
  ASSERT_TRUE(test::RunWithTimeout(&run_loop));
  RunFor(kShort * 4);
  EXPECT_EQ(1, fired_);
}

INSTANTIATE_TEST_SUITE_P(AllTypes,
                         TimerTest,
                         ::testing::Values(MessageLoop::TYPE_DEFAULT,
                                           MessageLoop::TYPE_UI,
                                           MessageLoop::TYPE_IO));

}  // namespace
}  // namespace base
