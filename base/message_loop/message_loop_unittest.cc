// Copyright 2026 Velta Software. All rights reserved.

#include "base/message_loop/message_loop.h"

#include <memory>
#include <string>
#include <vector>

#include "base/bind.h"
#include "base/memory/weak_ptr.h"
#include "base/run_loop.h"
#include "base/synchronization/waitable_event.h"
#include "base/task_runner_util.h"
#include "base/test/destruction_flag.h"
#include "base/test/run_loop_with_timeout.h"
#include "base/threading/platform_thread.h"
#include "base/threading/sequenced_task_runner_handle.h"
#include "base/threading/thread.h"
#include "base/threading/thread_task_runner_handle.h"
#include "gmock/gmock.h"
#include "gtest/gtest.h"

namespace base {
namespace {

using ::testing::ElementsAre;

void Record(std::vector<std::string>* log, const std::string& entry) {
  log->push_back(entry);
}

// Every loop type runs the same task contracts.
class MessageLoopTypeTest : public ::testing::TestWithParam<MessageLoop::Type> {
 protected:
  MessageLoop loop_{GetParam()};
};

TEST_P(MessageLoopTypeTest, ImmediateTasksRunInPostingOrder) {
  std::vector<std::string> log;
  scoped_refptr<SingleThreadTaskRunner> runner = ThreadTaskRunnerHandle::Get();
  EXPECT_EQ(loop_.task_runner(), runner);
  EXPECT_TRUE(runner->BelongsToCurrentThread());
  for (int i = 0; i < 5; ++i)
    runner->PostTask(FROM_HERE, BindOnce(&Record, &log, std::to_string(i)));
  // A task posting more: they go behind the ones already queued.
  runner->PostTask(FROM_HERE, BindOnce(
                                  [](std::vector<std::string>* log) {
                                    log->push_back("poster");
                                    ThreadTaskRunnerHandle::Get()->PostTask(
                                        FROM_HERE, BindOnce(&Record, log, "posted"));
                                  },
                                  &log));
  runner->PostTask(FROM_HERE, BindOnce(&Record, &log, "last"));
  RunLoop().RunUntilIdle();
  EXPECT_THAT(log, ElementsAre("0", "1", "2", "3", "4", "poster", "last", "posted"));
}

TEST_P(MessageLoopTypeTest, DelayedTasksRunByDueTimeTiesInPostingOrderNeverEarly) {
  std::vector<std::string> log;
  scoped_refptr<SingleThreadTaskRunner> runner = ThreadTaskRunnerHandle::Get();
  RunLoop run_loop;
  const TimeTicks start = TimeTicks::Now();
  std::vector<TimeDelta> too_early;
  auto post = [&](const std::string& name, TimeDelta delay) {
    runner->PostDelayedTask(FROM_HERE,
                            BindOnce(
                                [](std::vector<std::string>* log, std::vector<TimeDelta>* too_early,
                                   std::string name, TimeTicks posted, TimeDelta delay) {
                                  log->push_back(name);
                                  const TimeDelta waited = TimeTicks::Now() - posted;
                                  if (waited < delay)
                                    too_early->push_back(waited);
                                },
                                &log, &too_early, name, TimeTicks::Now(), delay),
                            delay);
  };
  // The loop may start its first task late on a loaded machine: every due
  // time is 50 ms or more from the next one, and the ties are posted from
  // that first task.
  post("late", TimeDelta::FromMilliseconds(250));
  post("early", TimeDelta::FromMilliseconds(100));
  // Tasks with the same delay, posted together, keep their posting order.
  runner->PostTask(
      FROM_HERE,
      BindOnce(
          [](scoped_refptr<SingleThreadTaskRunner> runner, std::vector<std::string>* log) {
            for (const char* name : {"tie-1", "tie-2", "tie-3"}) {
              runner->PostDelayedTask(FROM_HERE, BindOnce(&Record, log, name),
                                      TimeDelta::FromMilliseconds(150));
            }
          },
          runner, &log));
  post("immediate", TimeDelta());
  runner->PostDelayedTask(FROM_HERE, run_loop.QuitClosure(), TimeDelta::FromMilliseconds(300));
  ASSERT_TRUE(test::RunWithTimeout(&run_loop));
  EXPECT_THAT(log, ElementsAre("immediate", "early", "tie-1", "tie-2", "tie-3", "late"));
  EXPECT_TRUE(too_early.empty());
  EXPECT_GE(TimeTicks::Now() - start, TimeDelta::FromMilliseconds(300));
}

TEST_P(MessageLoopTypeTest, PendingTasksAreDestroyedUnrunWithTheLoop) {
  // A fresh loop on a thread of its own, so this one's queue stays clean.
  bool ran = false;
  bool destroyed = false;
  scoped_refptr<SingleThreadTaskRunner> runner;
  {
    Thread thread("loop under test");
    ASSERT_TRUE(thread.StartWithOptions(Thread::Options(GetParam(), 0)));
    runner = thread.task_runner();
    ASSERT_TRUE(
        runner->PostDelayedTask(FROM_HERE,
                                BindOnce([](bool* ran, test::DestructionFlag) { *ran = true; },
                                         &ran, test::DestructionFlag(&destroyed)),
                                TimeDelta::FromHours(1)));
    thread.Stop();
  }
  EXPECT_FALSE(ran);
  EXPECT_TRUE(destroyed);
  // The runner outlives its loop and refuses tasks.
  EXPECT_FALSE(runner->PostTask(FROM_HERE, BindOnce([] {})));
}

INSTANTIATE_TEST_SUITE_P(AllTypes,
                         MessageLoopTypeTest,
                         ::testing::Values(MessageLoop::TYPE_DEFAULT,
                                           MessageLoop::TYPE_UI,
                                           MessageLoop::TYPE_IO));

class Receiver {
 public:
  void OnReply(std::vector<std::string>* log) { log->push_back("reply"); }
  WeakPtr<Receiver> GetWeakPtr() { return weak_factory_.GetWeakPtr(); }
  void Invalidate() { weak_factory_.InvalidateWeakPtrs(); }

 private:
  WeakPtrFactory<Receiver> weak_factory_{this};
};

class TaskRunnerTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(worker_.Start()); }

  MessageLoop loop_;
  Thread worker_{"worker"};
};

TEST_F(TaskRunnerTest, ReplyRunsOnThePostingThread) {
  const PlatformThreadId main_id = PlatformThread::CurrentId();
  PlatformThreadId task_thread = kInvalidThreadId;
  PlatformThreadId reply_thread = kInvalidThreadId;
  RunLoop run_loop;
  worker_.task_runner()->PostTaskAndReply(
      FROM_HERE,
      BindOnce([](PlatformThreadId* id) { *id = PlatformThread::CurrentId(); }, &task_thread),
      BindOnce(
          [](PlatformThreadId* id, RepeatingClosure quit) {
            *id = PlatformThread::CurrentId();
            quit.Run();
          },
          &reply_thread, run_loop.QuitClosure()));
  ASSERT_TRUE(test::RunWithTimeout(&run_loop));
  EXPECT_EQ(worker_.GetThreadId(), task_thread);
  EXPECT_NE(main_id, task_thread);
  EXPECT_EQ(main_id, reply_thread);
}

TEST_F(TaskRunnerTest, ResultReachesTheReplyWithMoveOnlyTypes) {
  std::unique_ptr<std::string> received;
  RunLoop run_loop;
  worker_.task_runner()->PostTaskAndReplyWithResult(
      FROM_HERE, BindOnce([] { return std::make_unique<std::string>("made on the worker"); }),
      BindOnce(
          [](std::unique_ptr<std::string>* out, RepeatingClosure quit,
             std::unique_ptr<std::string> result) {
            *out = std::move(result);
            quit.Run();
          },
          &received, run_loop.QuitClosure()));
  ASSERT_TRUE(test::RunWithTimeout(&run_loop));
  ASSERT_TRUE(received);
  EXPECT_EQ("made on the worker", *received);
}

// Records the thread it is destroyed on.
class DestructionThread {
 public:
  explicit DestructionThread(PlatformThreadId* id) : id_(id) {}
  DestructionThread(DestructionThread&& other) : id_(std::exchange(other.id_, nullptr)) {}
  ~DestructionThread() {
    if (id_)
      *id_ = PlatformThread::CurrentId();
  }

 private:
  PlatformThreadId* id_;
};

// Posts everything an hour late: on a thread that stops, the task is dropped.
class HourLateRunner : public TaskRunner {
 public:
  explicit HourLateRunner(scoped_refptr<SingleThreadTaskRunner> target)
      : target_(std::move(target)) {}
  bool PostDelayedTask(const Location& from_here, OnceClosure task, TimeDelta) override {
    return target_->PostDelayedTask(from_here, std::move(task), TimeDelta::FromHours(1));
  }
  bool RunsTasksInCurrentSequence() const override { return false; }

 private:
  ~HourLateRunner() override = default;
  const scoped_refptr<SingleThreadTaskRunner> target_;
};

TEST_F(TaskRunnerTest, DroppedTaskStillDestroysTheReplyOnThePostingThread) {
  PlatformThreadId reply_destroyed_on = kInvalidThreadId;
  bool reply_ran = false;
  auto late = MakeRefCounted<HourLateRunner>(worker_.task_runner());
  ASSERT_TRUE(late->PostTaskAndReply(FROM_HERE,
                                     BindOnce([] { ADD_FAILURE() << "the task must be dropped"; }),
                                     BindOnce([](bool* ran, DestructionThread) { *ran = true; },
                                              &reply_ran, DestructionThread(&reply_destroyed_on))));
  worker_.Stop();                                   // drops the task on the worker
  EXPECT_EQ(kInvalidThreadId, reply_destroyed_on);  // not there: it is sent home
  RunLoop().RunUntilIdle();
  EXPECT_FALSE(reply_ran);
  EXPECT_EQ(PlatformThread::CurrentId(), reply_destroyed_on);
}

TEST_F(TaskRunnerTest, ReplyToAnInvalidatedWeakPointerDoesNothing) {
  std::vector<std::string> log;
  Receiver receiver;
  RunLoop run_loop;
  WaitableEvent task_ran;
  worker_.task_runner()->PostTaskAndReply(
      FROM_HERE,
      BindOnce(
          [](std::vector<std::string>* log, WaitableEvent* ran) {
            log->push_back("task");
            ran->Signal();
          },
          &log, &task_ran),
      BindOnce(&Receiver::OnReply, receiver.GetWeakPtr(), &log));
  // Invalidated after the task ran, before the reply runs here.
  task_ran.Wait();
  receiver.Invalidate();
  ThreadTaskRunnerHandle::Get()->PostTask(FROM_HERE, run_loop.QuitWhenIdleClosure());
  ASSERT_TRUE(test::RunWithTimeout(&run_loop));
  EXPECT_THAT(log, ElementsAre("task"));
}

TEST_F(TaskRunnerTest, PostedTaskOnInvalidatedWeakPointerDoesNothing) {
  std::vector<std::string> log;
  Receiver receiver;
  ThreadTaskRunnerHandle::Get()->PostTask(
      FROM_HERE, BindOnce(&Receiver::OnReply, receiver.GetWeakPtr(), &log));
  receiver.Invalidate();
  RunLoop().RunUntilIdle();
  EXPECT_TRUE(log.empty());
}

TEST_F(TaskRunnerTest, DeleteSoonDeletesOnTheTargetThread) {
  PlatformThreadId destroyed_on = kInvalidThreadId;
  auto object = std::make_unique<DestructionThread>(&destroyed_on);
  ASSERT_TRUE(worker_.task_runner()->DeleteSoon(FROM_HERE, std::move(object)));
  worker_.Stop();  // runs what was posted
  EXPECT_NE(kInvalidThreadId, destroyed_on);
  EXPECT_NE(PlatformThread::CurrentId(), destroyed_on);
}

TEST_F(TaskRunnerTest, SequencedHandleIsTheThreadsRunner) {
  EXPECT_TRUE(SequencedTaskRunnerHandle::IsSet());
  EXPECT_EQ(ThreadTaskRunnerHandle::Get(), SequencedTaskRunnerHandle::Get());
  EXPECT_FALSE(worker_.task_runner()->RunsTasksInCurrentSequence());
  EXPECT_EQ(&loop_, MessageLoop::current());
}

}  // namespace
}  // namespace base
