// Copyright 2026 Velta Software. All rights reserved.

#include "base/synchronization/lock.h"

#include <atomic>
#include <thread>
#include <vector>

#include "base/synchronization/waitable_event.h"
#include "gtest/gtest.h"

namespace base {
namespace {

// Constant initialisation: a global Lock needs no constructor to run.
constinit Lock g_lock;

bool TryOnOtherThread(Lock& lock) {
  bool taken = false;
  std::thread([&] {
    taken = lock.Try();
    if (taken)
      lock.Release();
  }).join();
  return taken;
}

TEST(LockTest, TryFailsWhileAnotherThreadHoldsIt) {
  g_lock.Acquire();
  g_lock.AssertAcquired();
  EXPECT_FALSE(TryOnOtherThread(g_lock));
  g_lock.Release();
  EXPECT_TRUE(TryOnOtherThread(g_lock));
  {
    AutoLock hold(g_lock);
    {
      AutoUnlock let_go(g_lock);
      EXPECT_TRUE(TryOnOtherThread(g_lock));
    }
    EXPECT_FALSE(TryOnOtherThread(g_lock));
  }
}

TEST(LockTest, KeepsIncrementsOfManyThreadsApart) {
  Lock lock;
  int counter = 0;  // guarded by `lock`
  // Released together, so that the threads really overlap.
  WaitableEvent start;
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&] {
      start.Wait();
      for (int i = 0; i < 100000; ++i) {
        AutoLock hold(lock);
        // Read and write apart, so that an unguarded pair loses updates.
        const int seen = counter;
        std::atomic_signal_fence(std::memory_order_seq_cst);
        counter = seen + 1;
      }
    });
  }
  start.Signal();
  for (std::thread& thread : threads)
    thread.join();
  EXPECT_EQ(4 * 100000, counter);
}

}  // namespace
}  // namespace base
