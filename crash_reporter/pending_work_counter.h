// Copyright 2026 Velta Software. All rights reserved.

#ifndef CRASH_REPORTER_PENDING_WORK_COUNTER_H_
#define CRASH_REPORTER_PENDING_WORK_COUNTER_H_

#include <atomic>

#include "base/win/scoped_handle.h"

namespace velta {

// Keeps a crash reporter alive while it has work: its living parent, each
// dump request and each queued upload hold one count from start to end. Once
// the count falls from 1 to 0 the idle event is set for good.
class PendingWorkCounter {
 public:
  PendingWorkCounter();
  PendingWorkCounter(const PendingWorkCounter&) = delete;
  PendingWorkCounter& operator=(const PendingWorkCounter&) = delete;
  ~PendingWorkCounter();

  // Creates the idle event; false when it cannot be made.
  bool Init();
  // May be called from any thread.
  void Increment();
  void Decrement();
  // Blocks until the count has fallen to 0 once. False without an event or
  // when the wait fails.
  bool WaitUntilIdle();

  int count() const { return count_.load(); }

 private:
  base::win::ScopedHandle idle_event_;
  std::atomic<int> count_{0};
};

// The process's counter, made on first use.
PendingWorkCounter& GetPendingWorkCounter();

}  // namespace velta

#endif  // CRASH_REPORTER_PENDING_WORK_COUNTER_H_
