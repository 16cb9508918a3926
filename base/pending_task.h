// Copyright 2026 Velta Software. All rights reserved.

#ifndef BASE_PENDING_TASK_H_
#define BASE_PENDING_TASK_H_

#include "base/callback.h"
#include "base/location.h"
#include "base/time/time.h"

namespace base {

// A posted task waiting in a message loop's queues.
struct PendingTask {
  PendingTask();
  PendingTask(const Location& posted_from,
              OnceClosure task,
              TimeTicks delayed_run_time,
              int sequence_num);
  PendingTask(PendingTask&& other);
  PendingTask& operator=(PendingTask&& other);
  ~PendingTask();

  // Order of the delayed queue: earlier due time first, ties in posting
  // order. True when `this` runs after `other`.
  bool RunsAfter(const PendingTask& other) const;

  Location posted_from;
  OnceClosure task;
  // Null for a task to run as soon as possible.
  TimeTicks delayed_run_time;
  // Posting order within the loop.
  int sequence_num = 0;
};

}  // namespace base

#endif  // BASE_PENDING_TASK_H_
