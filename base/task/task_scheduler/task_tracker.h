// Copyright 2026 Velta Software. All rights reserved.

#ifndef BASE_TASK_TASK_SCHEDULER_TASK_TRACKER_H_
#define BASE_TASK_TASK_SCHEDULER_TASK_TRACKER_H_

#include <stdint.h>

#include "base/synchronization/condition_variable.h"
#include "base/synchronization/lock.h"
#include "base/task/task_scheduler/sequence.h"
#include "base/task/task_traits.h"

namespace base::internal {

// Decides, by shutdown behaviour, which tasks may be posted and run, runs
// them in their sequence's context, and lets Shutdown() and
// FlushForTesting() wait for the right ones. Thread-safe.
class TaskTracker {
 public:
  TaskTracker();
  TaskTracker(const TaskTracker&) = delete;
  TaskTracker& operator=(const TaskTracker&) = delete;
  ~TaskTracker();

  // Whether a task with `behavior` may be posted now. When true the caller
  // must hand the task to a pool, which ends it with RunOrSkipTask or
  // DropTask.
  bool WillPostTask(TaskShutdownBehavior behavior);
  // Whether a delayed task may be posted now; it is checked again with
  // WillPostTask when it comes due.
  bool WillPostDelayedTask() const;
  // Runs the task unless shutdown forbids it, and records that it ended.
  void RunOrSkipTask(Task task, const Sequence& sequence);
  // A task accepted by WillPostTask that will never run (joined pool).
  void DropTask(Task task);

  void Shutdown();
  bool IsShutdownComplete() const;
  void FlushForTesting();

 private:
  bool BeforeRunTask(TaskShutdownBehavior behavior);
  void AfterTask(TaskShutdownBehavior behavior, bool ran);

  mutable Lock lock_;
  // Broadcast when no task holds shutdown back any more.
  ConditionVariable shutdown_cv_{&lock_};
  // Broadcast when no accepted task is left.
  ConditionVariable flush_cv_{&lock_};
  bool shutdown_started_ = false;
  bool shutdown_complete_ = false;
  // BLOCK_SHUTDOWN tasks posted and not yet ended.
  int num_block_shutdown_tasks_ = 0;
  // SKIP_ON_SHUTDOWN tasks running now.
  int num_running_skip_tasks_ = 0;
  // Tasks accepted and not yet ended, for FlushForTesting.
  int64_t num_incomplete_tasks_ = 0;
};

}  // namespace base::internal

#endif  // BASE_TASK_TASK_SCHEDULER_TASK_TRACKER_H_
