// Copyright 2026 Velta Software. All rights reserved.

#include "base/threading/thread.h"

#include <string>
#include <vector>

#include "base/bind.h"
#include "base/message_loop/message_loop.h"
#include "base/synchronization/waitable_event.h"
#include "base/threading/platform_thread.h"
#include "base/threading/thread_task_runner_handle.h"
#include "gmock/gmock.h"
#include "gtest/gtest.h"

namespace base {
namespace {

using ::testing::ElementsAre;

TEST(ThreadTest, TasksPostedBeforeTheThreadRunsAreKept) {
  Thread thread("Fetcher thread");
  EXPECT_FALSE(thread.task_runner());
  ASSERT_TRUE(thread.Start());
  ASSERT_TRUE(thread.task_runner());
  std::string name;
  PlatformThreadId id = kInvalidThreadId;
  bool belongs = false;
  MessageLoop::Type type = MessageLoop::TYPE_UI;
  thread.task_runner()->PostTask(
      FROM_HERE,
      BindOnce(
          [](std::string* name, PlatformThreadId* id, bool* belongs, MessageLoop::Type* type) {
            *name = PlatformThread::GetName();
            *id = PlatformThread::CurrentId();
            *belongs = ThreadTaskRunnerHandle::Get()->BelongsToCurrentThread();
            *type = MessageLoop::current()->type();
          },
          &name, &id, &belongs, &type));
  thread.Stop();
  EXPECT_EQ("Fetcher thread", name);
  EXPECT_NE(kInvalidThreadId, id);
  EXPECT_NE(PlatformThread::CurrentId(), id);
  EXPECT_TRUE(belongs);
  EXPECT_EQ(MessageLoop::TYPE_DEFAULT, type);
  EXPECT_FALSE(thread.IsRunning());
  EXPECT_FALSE(thread.task_runner());
}

TEST(ThreadTest, StopRunsPendingTasksAndTheirFollowUpsButNotFutureOnes) {
  std::vector<std::string> log;
  Thread thread("stopping");
  ASSERT_TRUE(thread.StartWithOptions(Thread::Options(MessageLoop::TYPE_IO, 0)));
  ASSERT_TRUE(thread.WaitUntilThreadStarted());
  EXPECT_TRUE(thread.IsRunning());
  WaitableEvent release;
  scoped_refptr<SingleThreadTaskRunner> runner = thread.task_runner();
  runner->PostTask(FROM_HERE, BindOnce(&WaitableEvent::Wait, Unretained(&release)));
  runner->PostTask(
      FROM_HERE,
      BindOnce(
          [](std::vector<std::string>* log) {
            log->push_back("pending");
            ThreadTaskRunnerHandle::Get()->PostTask(
                FROM_HERE,
                BindOnce([](std::vector<std::string>* log) { log->push_back("follow-up"); }, log));
          },
          &log));
  runner->PostDelayedTask(
      FROM_HERE, BindOnce([](std::vector<std::string>* log) { log->push_back("future"); }, &log),
      TimeDelta::FromHours(1));
  release.Signal();
  thread.Stop();
  EXPECT_THAT(log, ElementsAre("pending", "follow-up"));
  EXPECT_FALSE(runner->PostTask(FROM_HERE, BindOnce([] {})));
  thread.Stop();  // a second Stop does nothing
}

TEST(ThreadTest, RestartsAfterStop) {
  Thread thread("restarted");
  for (int round = 0; round < 2; ++round) {
    ASSERT_TRUE(thread.StartWithOptions(Thread::Options(MessageLoop::TYPE_UI, 0)));
    WaitableEvent ran;
    thread.task_runner()->PostTask(FROM_HERE, BindOnce(&WaitableEvent::Signal, Unretained(&ran)));
    EXPECT_TRUE(ran.TimedWait(TimeDelta::FromSeconds(20)));
    thread.Stop();
  }
}

class InitCleanUpThread : public Thread {
 public:
  explicit InitCleanUpThread(std::vector<std::string>* log) : Thread("hooks"), log_(log) {}
  ~InitCleanUpThread() override { Stop(); }

 private:
  void Init() override { log_->push_back("init"); }
  void CleanUp() override { log_->push_back("clean up"); }
  std::vector<std::string>* log_;
};

TEST(ThreadTest, InitAndCleanUpRunOnTheThreadAroundItsTasks) {
  std::vector<std::string> log;
  {
    InitCleanUpThread thread(&log);
    ASSERT_TRUE(thread.Start());
    thread.task_runner()->PostTask(
        FROM_HERE, BindOnce([](std::vector<std::string>* log) { log->push_back("task"); }, &log));
  }
  EXPECT_THAT(log, ElementsAre("init", "task", "clean up"));
}

}  // namespace
}  // namespace base
