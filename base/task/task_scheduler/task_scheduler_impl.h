// Copyright 2026 Velta Software. All rights reserved.

#ifndef BASE_TASK_TASK_SCHEDULER_TASK_SCHEDULER_IMPL_H_
#define BASE_TASK_TASK_SCHEDULER_TASK_SCHEDULER_IMPL_H_

#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "base/synchronization/lock.h"
#include "base/task/task_scheduler/scheduler_worker_pool.h"
#include "base/task/task_scheduler/task_scheduler.h"
#include "base/task/task_scheduler/task_tracker.h"
#include "base/threading/thread.h"

namespace base::internal {

// The task scheduler: a tracker for shutdown, four worker pools (named
// "TaskScheduler<name>Background", "...BackgroundBlocking", "...Foreground",
// "...ForegroundBlocking") and a service thread ("TaskSchedulerServiceThread")
// that holds delayed tasks until due. Threading as TaskScheduler.
class TaskSchedulerImpl : public TaskScheduler {
 public:
  explicit TaskSchedulerImpl(const std::string& name);
  ~TaskSchedulerImpl() override;

  // TaskScheduler:
  void Start(const InitParams& init_params, SchedulerWorkerObserver* observer) override;
  void Shutdown() override;
  void FlushForTesting() override;
  void ShutdownAndJoin() override;
  bool PostDelayedTaskWithTraits(const Location& from_here,
                                 const TaskTraits& traits,
                                 OnceClosure task,
                                 TimeDelta delay) override;
  scoped_refptr<SequencedTaskRunner> CreateSequencedTaskRunnerWithTraits(
      const TaskTraits& traits) override;

  // Posts `task` to `sequence` in the pool its traits select, after
  // `delay`. Used by the sequenced runners.
  bool PostTaskToSequence(Task task, scoped_refptr<Sequence> sequence, TimeDelta delay);

  size_t NumberOfWorkersForTesting(const TaskTraits& traits) const;

 private:
  enum PoolIndex { kBackground, kBackgroundBlocking, kForeground, kForegroundBlocking, kNumPools };

  static PoolIndex GetPoolIndex(const TaskTraits& traits);
  // Hands a due task to its pool; on the posting thread or the service thread.
  void ScheduleTask(Task task, scoped_refptr<Sequence> sequence);
  // Delayed tasks: to the service thread once started, else kept until Start.
  void PostDelayedTaskToServiceThread(Task task, scoped_refptr<Sequence> sequence, TimeDelta delay);

  TaskTracker task_tracker_;
  std::unique_ptr<SchedulerWorkerPool> pools_[kNumPools];
  Thread service_thread_;
  std::atomic<uint64_t> next_sequence_num_{0};

  Lock lock_;
  bool started_ = false;
  bool joined_ = false;
  // Delayed tasks posted before Start, with their due times.
  struct EarlyDelayedTask {
    Task task;
    scoped_refptr<Sequence> sequence;
    TimeTicks due_time;
  };
  std::vector<EarlyDelayedTask> early_delayed_tasks_;
};

}  // namespace base::internal

#endif  // BASE_TASK_TASK_SCHEDULER_TASK_SCHEDULER_IMPL_H_
