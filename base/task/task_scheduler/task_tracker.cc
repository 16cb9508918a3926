// Copyright 2026 Velta Software. All rights reserved.

#include "base/task/task_scheduler/task_tracker.h"

#include <optional>
#include <utility>

#include "base/logging.h"
#include "base/threading/sequenced_task_runner_handle.h"

namespace base::internal {

TaskTracker::TaskTracker() = default;
TaskTracker::~TaskTracker() = default;

bool TaskTracker::WillPostTask(TaskShutdownBehavior behavior) {
  AutoLock lock(lock_);
  if (shutdown_complete_)
    return false;
  if (shutdown_started_ && behavior != TaskShutdownBehavior::BLOCK_SHUTDOWN)
    return false;
  if (behavior == TaskShutdownBehavior::BLOCK_SHUTDOWN)
    ++num_block_shutdown_tasks_;
  ++num_incomplete_tasks_;
  return true;
}

bool TaskTracker::WillPostDelayedTask() const {
  AutoLock lock(lock_);
  return !shutdown_started_;
}

bool TaskTracker::BeforeRunTask(TaskShutdownBehavior behavior) {
  AutoLock lock(lock_);
  switch (behavior) {
    case TaskShutdownBehavior::BLOCK_SHUTDOWN:
      return true;
    case TaskShutdownBehavior::SKIP_ON_SHUTDOWN:
      if (shutdown_started_)
        return false;
      // Once started it holds shutdown back until it ends.
      ++num_running_skip_tasks_;
      return true;
    case TaskShutdownBehavior::CONTINUE_ON_SHUTDOWN:
      return !shutdown_started_;
  }
  return false;
}

void TaskTracker::AfterTask(TaskShutdownBehavior behavior, bool ran) {
  AutoLock lock(lock_);
  if (behavior == TaskShutdownBehavior::BLOCK_SHUTDOWN)
    --num_block_shutdown_tasks_;
  else if (behavior == TaskShutdownBehavior::SKIP_ON_SHUTDOWN && ran)
    --num_running_skip_tasks_;
  --num_incomplete_tasks_;
  if (num_block_shutdown_tasks_ == 0 && num_running_skip_tasks_ == 0)
    shutdown_cv_.Broadcast();
  if (num_incomplete_tasks_ == 0)
    flush_cv_.Broadcast();
}

void TaskTracker::RunOrSkipTask(Task task, const Sequence& sequence) {
  const TaskShutdownBehavior behavior = task.traits.shutdown_behavior();
  const bool run = BeforeRunTask(behavior);
  {
    // The task, run or not, dies in its sequence's context: its bound
    // objects may check their sequence in their destructors.
    ScopedSetSequenceTokenForCurrentThread token(sequence.token());
    std::optional<SequencedTaskRunnerHandle> handle;
    if (task.sequenced_task_runner_ref)
      handle.emplace(std::move(task.sequenced_task_runner_ref));
    if (run)
      std::move(task.task).Run();
    task.task.Reset();
  }
  AfterTask(behavior, run);
}

void TaskTracker::DropTask(Task task) {
  const TaskShutdownBehavior behavior = task.traits.shutdown_behavior();
  task.task.Reset();
  AfterTask(behavior, false);
}

void TaskTracker::Shutdown() {
  AutoLock lock(lock_);
  if (shutdown_complete_)
    return;
  shutdown_started_ = true;
  while (num_block_shutdown_tasks_ > 0 || num_running_skip_tasks_ > 0)
    shutdown_cv_.Wait();
  shutdown_complete_ = true;
}

bool TaskTracker::IsShutdownComplete() const {
  AutoLock lock(lock_);
  return shutdown_complete_;
}

void TaskTracker::FlushForTesting() {
  AutoLock lock(lock_);
  while (num_incomplete_tasks_ > 0)
    flush_cv_.Wait();
}

}  // namespace base::internal
