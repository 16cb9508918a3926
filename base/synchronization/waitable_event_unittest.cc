// Copyright 2026 Velta Software. All rights reserved.

#include "base/synchronization/waitable_event.h"

#include "base/bind.h"
#include "base/threading/thread.h"
#include "gtest/gtest.h"

namespace base {
namespace {

TEST(WaitableEventTest, ResetPoliciesAndTimedWaits) {
  WaitableEvent manual(WaitableEvent::ResetPolicy::MANUAL, WaitableEvent::InitialState::SIGNALED);
  EXPECT_TRUE(manual.IsSignaled());
  EXPECT_TRUE(manual.TimedWait(TimeDelta()));
  EXPECT_TRUE(manual.IsSignaled());  // a manual event stays signalled
  manual.Reset();
  EXPECT_FALSE(manual.TimedWait(TimeDelta::FromMilliseconds(1)));

  WaitableEvent automatic(WaitableEvent::ResetPolicy::AUTOMATIC);
  EXPECT_FALSE(automatic.IsSignaled());
  automatic.Signal();
  automatic.Wait();
  EXPECT_FALSE(automatic.IsSignaled());  // the wait consumed the signal
}

TEST(WaitableEventTest, WaitManyReturnsTheSignalledIndex) {
  WaitableEvent a;
  WaitableEvent b;
  WaitableEvent c(WaitableEvent::ResetPolicy::AUTOMATIC);
  WaitableEvent* events[] = {&a, &b, &c};
  Thread signaller("signaller");
  ASSERT_TRUE(signaller.Start());
  signaller.task_runner()->PostTask(FROM_HERE, BindOnce(&WaitableEvent::Signal, Unretained(&c)));
  EXPECT_EQ(2u, WaitableEvent::WaitMany(events, 3));
  EXPECT_FALSE(c.IsSignaled());
  b.Signal();
  c.Signal();
  EXPECT_EQ(1u, WaitableEvent::WaitMany(events, 3));  // the lowest signalled index
}

}  // namespace
}  // namespace base
