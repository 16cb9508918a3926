// Copyright 2026 Velta Software. All rights reserved.

#include "base/task/task_scheduler/task_scheduler_impl.h"

#include <objbase.h>
#include <windows.h>

#include <atomic>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "base/bind.h"
#include "base/synchronization/lock.h"
#include "base/synchronization/waitable_event.h"
#include "base/test/destruction_flag.h"
#include "base/threading/platform_thread.h"
#include "base/threading/sequenced_task_runner_handle.h"
#include "base/threading/thread.h"
#include "gmock/gmock.h"
#include "gtest/gtest.h"

namespace base::internal {
namespace {

using ::testing::ElementsAre;

constexpr TimeDelta kTimeout = TimeDelta::FromSeconds(20);

// The pools as the installer sets them up: one thread each, the
// foreground-blocking one in a COM single-threaded apartment.
TaskScheduler::InitParams InstallerParams(TimeDelta reclaim_time = TimeDelta::FromSeconds(30)) {
  return TaskScheduler::InitParams(
      SchedulerWorkerPoolParams(1, reclaim_time), SchedulerWorkerPoolParams(1, reclaim_time),
      SchedulerWorkerPoolParams(1, reclaim_time),
      SchedulerWorkerPoolParams(1, reclaim_time, SchedulerBackwardCompatibility::INIT_COM_STA));
}

struct ThreadFacts {
  PlatformThreadId id = kInvalidThreadId;
  std::string name;
  APTTYPE apartment = APTTYPE_CURRENT;
  bool com_initialized = false;
};

void RecordThreadFacts(ThreadFacts* facts, WaitableEvent* done) {
  facts->id = PlatformThread::CurrentId();
  facts->name = PlatformThread::GetName();
  APTTYPEQUALIFIER qualifier;
  facts->com_initialized = SUCCEEDED(::CoGetApartmentType(&facts->apartment, &qualifier));
  done->Signal();
}

class TaskSchedulerImplTest : public ::testing::Test {
 protected:
  ~TaskSchedulerImplTest() override { scheduler_.JoinForTesting(); }

  // Runs `task` on the pool `traits` select and waits for it.
  void RunAndWait(const TaskTraits& traits, OnceCallback<void(WaitableEvent*)> task) {
    WaitableEvent done;
    ASSERT_TRUE(scheduler_.PostDelayedTaskWithTraits(
        FROM_HERE, traits, BindOnce(std::move(task), Unretained(&done)), TimeDelta()));
    ASSERT_TRUE(done.TimedWait(kTimeout));
  }

  TaskSchedulerImpl scheduler_{"installer"};
};

TEST_F(TaskSchedulerImplTest, TraitsChooseOneOfFourPools) {
  scheduler_.Start(InstallerParams(), nullptr);
  const TaskTraits kTraits[] = {
      {TaskPriority::BACKGROUND},
      {TaskPriority::BACKGROUND, MayBlock()},
      {TaskPriority::USER_VISIBLE},
      {TaskPriority::USER_BLOCKING, MayBlock()},
  };
  ThreadFacts facts[4];
  for (int i = 0; i < 4; ++i)
    RunAndWait(kTraits[i], BindOnce(&RecordThreadFacts, &facts[i]));
  EXPECT_EQ("TaskSchedulerinstallerBackgroundWorker", facts[0].name);
  EXPECT_EQ("TaskSchedulerinstallerBackgroundBlockingWorker", facts[1].name);
  EXPECT_EQ("TaskSchedulerinstallerForegroundWorker", facts[2].name);
  EXPECT_EQ("TaskSchedulerinstallerForegroundBlockingWorker", facts[3].name);
  std::set<PlatformThreadId> ids;
  for (const ThreadFacts& fact : facts)
    ids.insert(fact.id);
  ids.insert(PlatformThread::CurrentId());
  EXPECT_EQ(5u, ids.size());

  // USER_BLOCKING and USER_VISIBLE share the foreground pools;
  // WithBaseSyncPrimitives counts as blocking.
  ThreadFacts more;
  RunAndWait({TaskPriority::USER_BLOCKING}, BindOnce(&RecordThreadFacts, &more));
  EXPECT_EQ(facts[2].id, more.id);
  RunAndWait({WithBaseSyncPrimitives()}, BindOnce(&RecordThreadFacts, &more));
  EXPECT_EQ(facts[3].id, more.id);
}

TEST_F(TaskSchedulerImplTest, OnlyTheForegroundBlockingPoolRunsInASingleThreadedApartment) {
  scheduler_.Start(InstallerParams(), nullptr);
  ThreadFacts sta;
  RunAndWait({MayBlock(), TaskPriority::USER_BLOCKING}, BindOnce(&RecordThreadFacts, &sta));
  ASSERT_TRUE(sta.com_initialized);
  // The first single-threaded apartment of a process is its main one.
  EXPECT_TRUE(sta.apartment == APTTYPE_STA || sta.apartment == APTTYPE_MAINSTA) << sta.apartment;
  ThreadFacts plain;
  RunAndWait({MayBlock(), TaskPriority::BACKGROUND}, BindOnce(&RecordThreadFacts, &plain));
  EXPECT_FALSE(plain.com_initialized &&
               (plain.apartment == APTTYPE_STA || plain.apartment == APTTYPE_MAINSTA));
}

TEST_F(TaskSchedulerImplTest, EachPoolHasAtMostOneThread) {
  scheduler_.Start(InstallerParams(), nullptr);
  WaitableEvent started;
  WaitableEvent release;
  std::vector<PlatformThreadId> ran_on;
  Lock ran_on_lock;
  auto record = [&] {
    AutoLock lock(ran_on_lock);
    ran_on.push_back(PlatformThread::CurrentId());
  };
  ASSERT_TRUE(
      scheduler_.PostDelayedTaskWithTraits(FROM_HERE, {MayBlock()},
                                           BindOnce(
                                               [](WaitableEvent* started, WaitableEvent* release) {
                                                 started->Signal();
                                                 release->Wait();
                                               },
                                               &started, &release),
                                           TimeDelta()));
  ASSERT_TRUE(started.TimedWait(kTimeout));
  for (int i = 0; i < 5; ++i) {
    ASSERT_TRUE(scheduler_.PostDelayedTaskWithTraits(FROM_HERE, {MayBlock()}, BindOnce(record),
                                                     TimeDelta()));
  }
  // The one worker is busy: the others wait instead of getting threads.
  EXPECT_EQ(1u, scheduler_.NumberOfWorkersForTesting({MayBlock()}));
  release.Signal();
  scheduler_.FlushForTesting();
  ASSERT_EQ(5u, ran_on.size());
  for (PlatformThreadId id : ran_on)
    EXPECT_EQ(ran_on[0], id);
}

TEST_F(TaskSchedulerImplTest, IdleThreadIsReclaimedAndReplaced) {
  scheduler_.Start(InstallerParams(TimeDelta::FromMilliseconds(50)), nullptr);
  HANDLE worker = nullptr;
  RunAndWait({TaskPriority::USER_VISIBLE}, BindOnce(
                                               [](HANDLE* worker, WaitableEvent* done) {
                                                 *worker = ::OpenThread(SYNCHRONIZE, FALSE,
                                                                        ::GetCurrentThreadId());
                                                 done->Signal();
                                               },
                                               &worker));
  ASSERT_TRUE(worker);
  // The thread ends on its own once idle for the reclaim time.
  EXPECT_EQ(WAIT_OBJECT_0,
            ::WaitForSingleObject(worker, static_cast<DWORD>(kTimeout.InMilliseconds())));
  ::CloseHandle(worker);
  EXPECT_EQ(0u, scheduler_.NumberOfWorkersForTesting({TaskPriority::USER_VISIBLE}));
  // New work gets a new thread.
  ThreadFacts facts;
  RunAndWait({TaskPriority::USER_VISIBLE}, BindOnce(&RecordThreadFacts, &facts));
  EXPECT_EQ("TaskSchedulerinstallerForegroundWorker", facts.name);
}

TEST_F(TaskSchedulerImplTest, TasksPostedBeforeStartRunAfterIt) {
  std::atomic<int> ran{0};
  ASSERT_TRUE(scheduler_.PostDelayedTaskWithTraits(
      FROM_HERE, {}, BindOnce([](std::atomic<int>* ran) { ++*ran; }, &ran), TimeDelta()));
  WaitableEvent delayed_ran;
  ASSERT_TRUE(scheduler_.PostDelayedTaskWithTraits(
      FROM_HERE, {}, BindOnce(&WaitableEvent::Signal, Unretained(&delayed_ran)),
      TimeDelta::FromMilliseconds(1)));
  EXPECT_EQ(0, ran);
  scheduler_.Start(InstallerParams(), nullptr);
  scheduler_.FlushForTesting();
  EXPECT_EQ(1, ran);
  EXPECT_TRUE(delayed_ran.TimedWait(kTimeout));
}

TEST_F(TaskSchedulerImplTest, SequencedRunnerKeepsOrderAndIdentity) {
  scheduler_.Start(InstallerParams(), nullptr);
  scoped_refptr<SequencedTaskRunner> runner =
      scheduler_.CreateSequencedTaskRunnerWithTraits({MayBlock(), TaskPriority::USER_BLOCKING});
  std::vector<int> order;
  bool identity_ok = true;
  for (int i = 0; i < 50; ++i) {
    runner->PostTask(FROM_HERE, BindOnce(
                                    [](std::vector<int>* order, bool* identity_ok,
                                       SequencedTaskRunner* runner, int i) {
                                      order->push_back(i);
                                      *identity_ok &= runner->RunsTasksInCurrentSequence() &&
                                                      SequencedTaskRunnerHandle::Get() == runner;
                                    },
                                    &order, &identity_ok, Unretained(runner.get()), i));
  }
  // Delayed tasks of the sequence come after, in due order. The last one
  // posted is due first, even when this thread is held up (a loaded
  // machine) for up to 190 ms between the two posts.
  WaitableEvent done;
  runner->PostDelayedTask(FROM_HERE, BindOnce(&WaitableEvent::Signal, Unretained(&done)),
                          TimeDelta::FromMilliseconds(200));
  runner->PostDelayedTask(FROM_HERE,
                          BindOnce([](std::vector<int>* order) { order->push_back(-1); }, &order),
                          TimeDelta::FromMilliseconds(10));
  ASSERT_TRUE(done.TimedWait(kTimeout));
  EXPECT_FALSE(runner->RunsTasksInCurrentSequence());
  ASSERT_EQ(51u, order.size());
  for (int i = 0; i < 50; ++i)
    EXPECT_EQ(i, order[i]);
  EXPECT_EQ(-1, order[50]);
  EXPECT_TRUE(identity_ok);
}

TEST_F(TaskSchedulerImplTest, ReplyFromASequenceComesBackToThatSequence) {
  scheduler_.Start(InstallerParams(), nullptr);
  scoped_refptr<SequencedTaskRunner> origin = scheduler_.CreateSequencedTaskRunnerWithTraits({});
  Thread other("other");
  ASSERT_TRUE(other.Start());
  bool reply_on_origin = false;
  WaitableEvent done;
  origin->PostTask(FROM_HERE,
                   BindOnce(
                       [](scoped_refptr<SingleThreadTaskRunner> other, SequencedTaskRunner* origin,
                          bool* reply_on_origin, WaitableEvent* done) {
                         other->PostTaskAndReply(
                             FROM_HERE, BindOnce([] {}),
                             BindOnce(
                                 [](SequencedTaskRunner* origin, bool* ok, WaitableEvent* done) {
                                   *ok = origin->RunsTasksInCurrentSequence();
                                   done->Signal();
                                 },
                                 Unretained(origin), reply_on_origin, done));
                       },
                       other.task_runner(), Unretained(origin.get()), &reply_on_origin, &done));
  ASSERT_TRUE(done.TimedWait(kTimeout));
  EXPECT_TRUE(reply_on_origin);
}

// Runs on a worker until released; does not hold shutdown back itself.
void BlockUntil(WaitableEvent* started, WaitableEvent* release) {
  started->Signal();
  release->Wait();
}

TEST_F(TaskSchedulerImplTest, ShutdownRunsBlockingTasksAndSkipsTheRest) {
  scheduler_.Start(InstallerParams(), nullptr);
  WaitableEvent started;
  WaitableEvent release;
  ASSERT_TRUE(
      scheduler_.PostDelayedTaskWithTraits(FROM_HERE, {TaskShutdownBehavior::CONTINUE_ON_SHUTDOWN},
                                           BindOnce(&BlockUntil, &started, &release), TimeDelta()));
  ASSERT_TRUE(started.TimedWait(kTimeout));
  // Queued behind the blocked worker of the same pool.
  std::vector<std::string> ran;
  Lock ran_lock;
  auto post = [&](TaskShutdownBehavior behavior, const char* name) {
    return scheduler_.PostDelayedTaskWithTraits(FROM_HERE, {behavior},
                                                BindOnce([&ran, &ran_lock, name] {
                                                  AutoLock lock(ran_lock);
                                                  ran.push_back(name);
                                                }),
                                                TimeDelta());
  };
  ASSERT_TRUE(post(TaskShutdownBehavior::SKIP_ON_SHUTDOWN, "skip"));
  ASSERT_TRUE(post(TaskShutdownBehavior::BLOCK_SHUTDOWN, "block"));
  ASSERT_TRUE(post(TaskShutdownBehavior::CONTINUE_ON_SHUTDOWN, "continue"));

  Thread shutter("shutter");
  ASSERT_TRUE(shutter.Start());
  WaitableEvent shut_down;
  shutter.task_runner()->PostTask(FROM_HERE, BindOnce(
                                                 [](TaskScheduler* scheduler, WaitableEvent* done) {
                                                   scheduler->Shutdown();
                                                   done->Signal();
                                                 },
                                                 &scheduler_, &shut_down));
  // Shutdown has begun once ordinary tasks are refused.
  const TimeTicks deadline = TimeTicks::Now() + kTimeout;
  while (post(TaskShutdownBehavior::SKIP_ON_SHUTDOWN, "late") && TimeTicks::Now() < deadline)
    PlatformThread::YieldCurrentThread();
  EXPECT_FALSE(shut_down.IsSignaled());  // waiting for the BLOCK_SHUTDOWN task
  release.Signal();
  ASSERT_TRUE(shut_down.TimedWait(kTimeout));
  EXPECT_THAT(ran, ElementsAre("block"));
  // After shutdown nothing is accepted, not even BLOCK_SHUTDOWN.
  EXPECT_FALSE(post(TaskShutdownBehavior::BLOCK_SHUTDOWN, "after"));
  scheduler_.Shutdown();  // again: returns at once
}

TEST_F(TaskSchedulerImplTest, JoinRunsPendingBlockShutdownTasksFirstAndIsIdempotent) {
  scheduler_.Start(InstallerParams(), nullptr);
  WaitableEvent started;
  WaitableEvent release;
  ASSERT_TRUE(scheduler_.PostDelayedTaskWithTraits(
      FROM_HERE, {MayBlock(), TaskShutdownBehavior::CONTINUE_ON_SHUTDOWN},
      BindOnce(&BlockUntil, &started, &release), TimeDelta()));
  ASSERT_TRUE(started.TimedWait(kTimeout));
  std::atomic<bool> written{false};
  scoped_refptr<SequencedTaskRunner> prefs = scheduler_.CreateSequencedTaskRunnerWithTraits(
      {MayBlock(), TaskShutdownBehavior::BLOCK_SHUTDOWN});
  ASSERT_TRUE(prefs->PostTask(
      FROM_HERE, BindOnce([](std::atomic<bool>* written) { *written = true; }, &written)));
  // Released whenever; joining must still wait for the queued write.
  Thread releaser("releaser");
  ASSERT_TRUE(releaser.Start());
  releaser.task_runner()->PostTask(FROM_HERE,
                                   BindOnce(&WaitableEvent::Signal, Unretained(&release)));
  scheduler_.JoinForTesting();
  EXPECT_TRUE(written);
  EXPECT_EQ(0u, scheduler_.NumberOfWorkersForTesting({MayBlock()}));
  scheduler_.JoinForTesting();
  scheduler_.Shutdown();
  EXPECT_FALSE(prefs->PostTask(FROM_HERE, BindOnce([] {})));
}

TEST_F(TaskSchedulerImplTest, ShutdownBeforeStartDropsTasksWithoutHanging) {
  bool destroyed = false;
  ASSERT_TRUE(scheduler_.PostDelayedTaskWithTraits(
      FROM_HERE, {TaskShutdownBehavior::BLOCK_SHUTDOWN},
      BindOnce([](test::DestructionFlag) { ADD_FAILURE() << "must not run"; },
               test::DestructionFlag(&destroyed)),
      TimeDelta()));
  scheduler_.Shutdown();
  EXPECT_TRUE(destroyed);
  EXPECT_FALSE(scheduler_.PostDelayedTaskWithTraits(FROM_HERE, {}, BindOnce([] {}), TimeDelta()));
}

}  // namespace
}  // namespace base::internal
