// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/common/win/win_api_event.h"

#include <windows.h>

#include <memory>
#include <string>

#include "base/bind.h"
#include "base/command_line.h"
#include "base/location.h"
#include "base/message_loop/message_loop.h"
#include "base/run_loop.h"
#include "base/test/child_process.h"
#include "base/test/multiprocess_test.h"
#include "base/test/unique_names.h"
#include "base/threading/thread_task_runner_handle.h"
#include "base/time/time.h"
#include "desktop/windows/installer/common/win/win_api.h"
#include "gtest/gtest.h"

namespace velta {
namespace {

constexpr char kEventNameSwitch[] = "event-name";

// Signals the named event of the parent.
VELTA_TEST_CHILD_MAIN(SignalWinApiEvent) {
  HANDLE event = ::OpenEventW(
      EVENT_MODIFY_STATE, FALSE,
      base::CommandLine::ForCurrentProcess()->GetSwitchValueNative(kEventNameSwitch).c_str());
  if (!event)
    return 2;
  return ::SetEvent(event) ? 0 : 3;
}

class WinApiEventTest : public ::testing::Test, public WinApiEvent::Delegate {
 protected:
  void SetUp() override {
    owner_ = ::CreateEventW(nullptr, TRUE, FALSE, name_.c_str());
    ASSERT_NE(nullptr, owner_);
  }
  void TearDown() override { ::CloseHandle(owner_); }

  // Runs the loop until the delegate hears of the event, or gives up after a
  // time-out that only a broken test reaches.
  bool RunUntilSignaled() {
    base::ThreadTaskRunnerHandle::Get()->PostDelayedTask(
        FROM_HERE, base::BindOnce(&base::RunLoop::Quit, base::Unretained(&run_loop_)),
        base::TimeDelta::FromSeconds(20));
    run_loop_.Run();
    return signaled_events_ > 0;
  }

  // WinApiEvent::Delegate:
  void OnEventSignaled(WinApiEvent* event) override {
    ++signaled_events_;
    signaled_event_ = event;
    signaled_thread_ = ::GetCurrentThreadId();
    run_loop_.Quit();
  }

  base::MessageLoop message_loop_;
  base::RunLoop run_loop_;
  const std::wstring name_ = L"Local\\" + test::UniqueWideName("WinApiEvent");
  HANDLE owner_ = nullptr;
  int signaled_events_ = 0;
  WinApiEvent* signaled_event_ = nullptr;
  DWORD signaled_thread_ = 0;
};

TEST_F(WinApiEventTest, SignalFromAnotherProcessReachesTheDelegateOnTheWatchingThread) {
  std::unique_ptr<WinApiEvent> event = WinApi::GetInstance()->OpenEvent(this, name_);
  ASSERT_TRUE(event->IsValid());
  EXPECT_FALSE(event->IsSignaled());
  ASSERT_TRUE(event->StartWatching());

  base::CommandLine command_line = test::MakeChildCommandLine("SignalWinApiEvent");
  command_line.AppendSwitchNative(kEventNameSwitch, name_);
  ASSERT_EQ(0u, test::RunChild(command_line).exit_code);

  ASSERT_TRUE(RunUntilSignaled());
  EXPECT_EQ(1, signaled_events_);
  EXPECT_EQ(event.get(), signaled_event_);
  EXPECT_EQ(::GetCurrentThreadId(), signaled_thread_);
  EXPECT_TRUE(event->IsSignaled());
}

TEST_F(WinApiEventTest, IsSignaledFollowsTheEvent) {
  std::unique_ptr<WinApiEvent> event = WinApi::GetInstance()->OpenEvent(this, name_);
  ASSERT_TRUE(event->IsValid());
  ::SetEvent(owner_);
  EXPECT_TRUE(event->IsSignaled());
}

TEST_F(WinApiEventTest, MissingEventIsInvalidAndCannotBeWatched) {
  std::unique_ptr<WinApiEvent> event =
      WinApi::GetInstance()->OpenEvent(this, name_ + L"-missing");
  EXPECT_FALSE(event->IsValid());
  EXPECT_FALSE(event->IsSignaled());
  EXPECT_FALSE(event->StartWatching());
}

TEST_F(WinApiEventTest, DestroyedEventNoLongerCallsTheDelegate) {
  std::unique_ptr<WinApiEvent> event = WinApi::GetInstance()->OpenEvent(this, name_);
  ASSERT_TRUE(event->StartWatching());
  event.reset();
  ::SetEvent(owner_);
  run_loop_.RunUntilIdle();
  EXPECT_EQ(0, signaled_events_);
}

}  // namespace
}  // namespace velta
