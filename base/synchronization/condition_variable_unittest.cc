// Copyright 2026 Velta Software. All rights reserved.

#include "base/synchronization/condition_variable.h"

#include <thread>
#include <vector>

#include "base/synchronization/lock.h"
#include "base/time/time.h"
#include "gtest/gtest.h"

namespace base {
namespace {

constexpr TimeDelta kTimeout = TimeDelta::FromSeconds(20);

// Waiter threads sleep on `wake_` until a ticket is free, take it and count
// themselves woken; the test thread hands out tickets and waits on `progress_`.
class ConditionVariableTest : public testing::Test {
 protected:
  void TearDown() override {
    {
      // Frees waiters a failed wake left asleep, so that they can be joined.
      AutoLock lock(lock_);
      tickets_ += static_cast<int>(waiters_.size());
      wake_.Broadcast();
      for (size_t i = 0; i < waiters_.size(); ++i)
        wake_.Signal();
    }
    for (std::thread& waiter : waiters_)
      waiter.join();
  }

  // Returns once all `count` waiters sleep on `wake_`.
  void StartWaiters(int count) {
    for (int i = 0; i < count; ++i) {
      waiters_.emplace_back([this] {
        AutoLock lock(lock_);
        ++waiting_;
        progress_.Broadcast();
        while (tickets_ == 0)
          wake_.Wait();
        --tickets_;
        ++woken_;
        progress_.Broadcast();
      });
    }
    AutoLock lock(lock_);
    // A waiter counted itself under the lock and gives it up only in Wait().
    ASSERT_TRUE(WaitForProgress([&] { return waiting_ == count; }));
  }

  // Under the lock: waits until `done` holds; false after kTimeout.
  template <typename Predicate>
  bool WaitForProgress(Predicate done) {
    const TimeTicks deadline = TimeTicks::Now() + kTimeout;
    while (!done()) {
      const TimeDelta left = deadline - TimeTicks::Now();
      if (left <= TimeDelta())
        return false;
      progress_.TimedWait(left);
    }
    return true;
  }

  Lock lock_;
  ConditionVariable wake_{&lock_};
  ConditionVariable progress_{&lock_};
  // Guarded by lock_.
  int waiting_ = 0;
  int tickets_ = 0;
  int woken_ = 0;
  std::vector<std::thread> waiters_;
};

TEST_F(ConditionVariableTest, SignalWakesAWaiter) {
  StartWaiters(2);
  AutoLock lock(lock_);
  for (int expected_woken = 1; expected_woken <= 2; ++expected_woken) {
    ++tickets_;
    wake_.Signal();
    EXPECT_TRUE(WaitForProgress([&] { return woken_ == expected_woken; })) << woken_;
  }
}

TEST_F(ConditionVariableTest, BroadcastWakesEveryWaiter) {
  StartWaiters(4);
  AutoLock lock(lock_);
  tickets_ = 4;
  wake_.Broadcast();
  EXPECT_TRUE(WaitForProgress([&] { return woken_ == 4; })) << woken_;
}

TEST_F(ConditionVariableTest, TimedWaitReturnsOnTimeOutHoldingTheLock) {
  AutoLock lock(lock_);
  for (TimeDelta max_time : {TimeDelta::FromMilliseconds(-5), TimeDelta(),
                             TimeDelta::FromMicroseconds(1), TimeDelta::FromMilliseconds(20)}) {
    wake_.TimedWait(max_time);
    lock_.AssertAcquired();
  }
  bool taken_elsewhere = true;
  std::thread([&] {
    taken_elsewhere = lock_.Try();
    if (taken_elsewhere)
      lock_.Release();
  }).join();
  EXPECT_FALSE(taken_elsewhere);
}

}  // namespace
}  // namespace base
