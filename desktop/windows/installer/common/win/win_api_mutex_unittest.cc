// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/common/win/win_api_mutex.h"

#include <windows.h>

#include <memory>
#include <string>
#include <thread>

#include "base/command_line.h"
#include "base/test/child_process.h"
#include "base/test/multiprocess_test.h"
#include "base/test/unique_names.h"
#include "base/time/time.h"
#include "desktop/windows/installer/common/win/win_api.h"
#include "gtest/gtest.h"

namespace velta {
namespace {

constexpr char kMutexNameSwitch[] = "mutex-name";
// Exit codes of the child roles below.
constexpr int kChildAcquired = 10;
constexpr int kChildNotAcquired = 11;

std::wstring MutexNameFromCommandLine() {
  return base::CommandLine::ForCurrentProcess()->GetSwitchValueNative(kMutexNameSwitch);
}

// Tries the mutex once, without waiting, and tells the parent by its exit
// code whether it got it.
VELTA_TEST_CHILD_MAIN(TryWinApiMutex) {
  std::unique_ptr<WinApiMutex> mutex = WinApi::GetInstance()->CreateMutex(
      MutexNameFromCommandLine(), false, base::TimeDelta());
  return mutex->IsAcquired() ? kChildAcquired : kChildNotAcquired;
}

// Acquires the mutex and ends without releasing it.
VELTA_TEST_CHILD_MAIN(AbandonWinApiMutex) {
  std::unique_ptr<WinApiMutex> mutex = WinApi::GetInstance()->CreateMutex(
      MutexNameFromCommandLine(), false, base::TimeDelta());
  if (!mutex->IsAcquired())
    return kChildNotAcquired;
  mutex->Close();
  return kChildAcquired;
}

class WinApiMutexTest : public ::testing::Test {
 protected:
  int RunChild(const char* role) {
    base::CommandLine command_line = test::MakeChildCommandLine(role);
    command_line.AppendSwitchNative(kMutexNameSwitch, name_);
    test::ChildResult result = test::RunChild(command_line);
    EXPECT_TRUE(result.exited);
    return static_cast<int>(result.exit_code);
  }

  const std::wstring name_ = L"Local\\" + test::UniqueWideName("WinApiMutex");
};

TEST_F(WinApiMutexTest, SecondProcessDoesNotGetAHeldMutexWithZeroTimeout) {
  auto mutex = WinApi::GetInstance()->CreateMutex(name_, false, base::TimeDelta());
  ASSERT_TRUE(mutex->IsAcquired());
  EXPECT_EQ(kChildNotAcquired, RunChild("TryWinApiMutex"));

  // Destroying the holder releases the mutex for the next process.
  mutex.reset();
  EXPECT_EQ(kChildAcquired, RunChild("TryWinApiMutex"));
}

TEST_F(WinApiMutexTest, MutexOfAnEndedOwnerIsAcquiredAsAbandoned) {
  // Keeps the mutex object alive after the child, its only owner, ends.
  HANDLE keep_alive = ::CreateMutexW(nullptr, FALSE, name_.c_str());
  ASSERT_NE(nullptr, keep_alive);
  ASSERT_EQ(kChildAcquired, RunChild("AbandonWinApiMutex"));

  auto mutex = WinApi::GetInstance()->CreateMutex(name_, false, base::TimeDelta());
  EXPECT_TRUE(mutex->IsAcquired());
  ::CloseHandle(keep_alive);
}

TEST_F(WinApiMutexTest, WaitsUpToTheTimeoutForAnotherThreadsRelease) {
  auto mutex = WinApi::GetInstance()->CreateMutex(name_, false, base::TimeDelta());
  ASSERT_TRUE(mutex->IsAcquired());
  bool other_acquired = true;
  std::thread([&] {
    other_acquired =
        WinApi::GetInstance()->CreateMutex(name_, false, base::TimeDelta::FromMilliseconds(1))
            ->IsAcquired();
  }).join();
  EXPECT_FALSE(other_acquired);

  HANDLE released = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
  std::thread waiter([&] {
    ::SetEvent(released);
    other_acquired =
        WinApi::GetInstance()->CreateMutex(name_, false, base::TimeDelta::Max())->IsAcquired();
  });
  ASSERT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(released, 20000));
  mutex.reset();
  waiter.join();
  EXPECT_TRUE(other_acquired);
  ::CloseHandle(released);
}

TEST_F(WinApiMutexTest, CloseGivesUpTheHandleWithoutReleasing) {
  auto mutex = WinApi::GetInstance()->CreateMutex(name_, false, base::TimeDelta());
  ASSERT_TRUE(mutex->IsAcquired());
  HANDLE keep_alive = ::CreateMutexW(nullptr, FALSE, name_.c_str());
  mutex->Close();
  EXPECT_FALSE(mutex->IsAcquired());
  // This thread still owns the mutex (a mutex is recursive for its owner),
  // so another process cannot have it.
  EXPECT_EQ(kChildNotAcquired, RunChild("TryWinApiMutex"));
  EXPECT_TRUE(::ReleaseMutex(keep_alive));
  EXPECT_EQ(kChildAcquired, RunChild("TryWinApiMutex"));
  ::CloseHandle(keep_alive);
}

TEST_F(WinApiMutexTest, BadNameGivesAMutexNotAcquired) {
  // A backslash after the namespace prefix is refused by Windows.
  auto mutex = WinApi::GetInstance()->CreateMutex(L"Local\\a\\b", false, base::TimeDelta());
  EXPECT_FALSE(mutex->IsAcquired());
  mutex->Close();
}

}  // namespace
}  // namespace velta
