// Copyright 2026 Velta Software. All rights reserved.

#include "base/win/object_watcher.h"

#include <windows.h>

#include "base/bind.h"
#include "base/message_loop/message_loop.h"
#include "base/run_loop.h"
#include "base/synchronization/waitable_event.h"
#include "base/test/run_loop_with_timeout.h"
#include "base/threading/platform_thread.h"
#include "base/threading/thread.h"
#include "base/threading/thread_task_runner_handle.h"
#include "gtest/gtest.h"

namespace base::win {
namespace {

class CountingDelegate : public ObjectWatcher::Delegate {
 public:
  void OnObjectSignaled(HANDLE object) override {
    ++signals;
    last_object = object;
    thread = PlatformThread::CurrentId();
    watching_during_call = watcher ? watcher->IsWatching() : false;
    if (on_signal)
      on_signal.Run();
  }

  int signals = 0;
  HANDLE last_object = nullptr;
  PlatformThreadId thread = kInvalidThreadId;
  bool watching_during_call = true;
  ObjectWatcher* watcher = nullptr;
  RepeatingClosure on_signal;
};

class ObjectWatcherTest : public ::testing::TestWithParam<MessageLoop::Type> {
 protected:
  // Lets the loop run long enough for a stray notification to arrive: a
  // round trip through a thread-pool wait of a signalled event.
  void Drain() {
    WaitableEvent signalled(WaitableEvent::ResetPolicy::MANUAL,
                            WaitableEvent::InitialState::SIGNALED);
    CountingDelegate probe;
    ObjectWatcher probe_watcher;
    RunLoop run_loop;
    probe.on_signal = run_loop.QuitClosure();
    ASSERT_TRUE(probe_watcher.StartWatchingOnce(signalled.handle(), &probe));
    ASSERT_TRUE(test::RunWithTimeout(&run_loop));
    RunLoop().RunUntilIdle();
  }

  MessageLoop loop_{GetParam()};
  WaitableEvent event_{WaitableEvent::ResetPolicy::AUTOMATIC};
  CountingDelegate delegate_;
  ObjectWatcher watcher_;
};

TEST_P(ObjectWatcherTest, WatchOnceCallsTheDelegateOnTheWatchingThread) {
  RunLoop run_loop;
  delegate_.on_signal = run_loop.QuitClosure();
  delegate_.watcher = &watcher_;
  ASSERT_TRUE(watcher_.StartWatchingOnce(event_.handle(), &delegate_));
  EXPECT_TRUE(watcher_.IsWatching());
  EXPECT_EQ(event_.handle(), watcher_.GetWatchedObject());
  Thread signaller("signaller");
  ASSERT_TRUE(signaller.Start());
  signaller.task_runner()->PostTask(FROM_HERE,
                                    BindOnce(&WaitableEvent::Signal, Unretained(&event_)));
  ASSERT_TRUE(test::RunWithTimeout(&run_loop));
  EXPECT_EQ(1, delegate_.signals);
  EXPECT_EQ(event_.handle(), delegate_.last_object);
  EXPECT_EQ(PlatformThread::CurrentId(), delegate_.thread);
  EXPECT_FALSE(delegate_.watching_during_call);
  EXPECT_FALSE(watcher_.IsWatching());
  // Once means once.
  event_.Signal();
  Drain();
  EXPECT_EQ(1, delegate_.signals);
}

TEST_P(ObjectWatcherTest, WatchMultipleTimesKeepsWatching) {
  ASSERT_TRUE(watcher_.StartWatchingMultipleTimes(event_.handle(), &delegate_));
  for (int i = 1; i <= 3; ++i) {
    RunLoop run_loop;
    delegate_.on_signal = run_loop.QuitClosure();
    event_.Signal();
    ASSERT_TRUE(test::RunWithTimeout(&run_loop));
    EXPECT_EQ(i, delegate_.signals);
    EXPECT_TRUE(watcher_.IsWatching());
  }
  EXPECT_TRUE(watcher_.StopWatching());
  EXPECT_FALSE(watcher_.StopWatching());
}

TEST_P(ObjectWatcherTest, StoppedWatchNeverCallsEvenWhenAlreadySignalled) {
  ASSERT_TRUE(watcher_.StartWatchingOnce(event_.handle(), &delegate_));
  event_.Signal();
  // The wait thread may already have posted the notification: stopping must
  // still keep it from the delegate.
  watcher_.StopWatching();
  Drain();
  EXPECT_EQ(0, delegate_.signals);
  // Restarting works after a stop.
  RunLoop run_loop;
  delegate_.on_signal = run_loop.QuitClosure();
  event_.Signal();
  ASSERT_TRUE(watcher_.StartWatchingOnce(event_.handle(), &delegate_));
  ASSERT_TRUE(test::RunWithTimeout(&run_loop));
  EXPECT_EQ(1, delegate_.signals);
}

TEST_P(ObjectWatcherTest, WatchesAProcessHandle) {
  // The use the installer makes of it: learn when a child process ended.
  wchar_t command[] = L"cmd.exe /c exit 7";
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process = {};
  ASSERT_TRUE(::CreateProcessW(nullptr, command, nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
                               nullptr, &startup, &process));
  ::CloseHandle(process.hThread);
  RunLoop run_loop;
  delegate_.on_signal = run_loop.QuitClosure();
  ASSERT_TRUE(watcher_.StartWatchingOnce(process.hProcess, &delegate_));
  ASSERT_TRUE(test::RunWithTimeout(&run_loop));
  DWORD exit_code = 0;
  EXPECT_TRUE(::GetExitCodeProcess(process.hProcess, &exit_code));
  EXPECT_EQ(7u, exit_code);
  ::CloseHandle(process.hProcess);
}

INSTANTIATE_TEST_SUITE_P(AllTypes,
                         ObjectWatcherTest,
                         ::testing::Values(MessageLoop::TYPE_DEFAULT,
                                           MessageLoop::TYPE_UI,
                                           MessageLoop::TYPE_IO));

}  // namespace
}  // namespace base::win
