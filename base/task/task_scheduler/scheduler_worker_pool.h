// Copyright 2026 Velta Software. All rights reserved.

#ifndef BASE_TASK_TASK_SCHEDULER_SCHEDULER_WORKER_POOL_H_
#define BASE_TASK_TASK_SCHEDULER_SCHEDULER_WORKER_POOL_H_

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/memory/scoped_refptr.h"
#include "base/synchronization/condition_variable.h"
#include "base/synchronization/lock.h"
#include "base/task/task_scheduler/scheduler_worker_pool_params.h"
#include "base/task/task_scheduler/sequence.h"

namespace base {

class SchedulerWorkerObserver;

namespace internal {

class TaskTracker;

// A set of at most max_tasks() worker threads running the sequences posted
// to it, the highest priority first, then the longest waiting. Threads are
// made when work comes and end after suggested_reclaim_time() idle. Tasks
// posted before Start() wait for it.
//
// Thread-safe; the pool outlives its threads (Join).
class SchedulerWorkerPool {
 public:
  // `thread_name` names every worker; `task_tracker` must outlive the pool.
  SchedulerWorkerPool(std::string thread_name, TaskTracker* task_tracker);
  SchedulerWorkerPool(const SchedulerWorkerPool&) = delete;
  SchedulerWorkerPool& operator=(const SchedulerWorkerPool&) = delete;
  ~SchedulerWorkerPool();

  void Start(const SchedulerWorkerPoolParams& params, SchedulerWorkerObserver* observer);

  // Queues `task` (already accepted by the tracker) at the end of
  // `sequence`. After Join the task is dropped.
  void PostTask(Task task, scoped_refptr<Sequence> sequence);

  // Ends the workers and waits for them; drops the tasks still queued.
  void Join();

  // Threads alive now (idle ones included).
  size_t NumberOfWorkersForTesting() const;

 private:
  class Worker;
  friend class Worker;

  // The worker's loop; returns when the worker ends.
  void RunWorker(Worker* worker);
  // Under the lock: the sequence to run next, or null.
  scoped_refptr<Sequence> TakeNextSequenceLockRequired();
  // Under the lock: wakes an idle worker or makes one when allowed.
  void WakeUpWorkerLockRequired();
  // Under the lock: waits as an idle worker until there is work or a join.
  // Returns false when the reclaim time passed without either.
  bool WaitForWorkLockRequired();

  const std::string thread_name_;
  TaskTracker* const task_tracker_;

  mutable Lock lock_;
  // Signalled when work is queued for an idle worker, broadcast at join.
  ConditionVariable wake_up_;
  std::optional<SchedulerWorkerPoolParams> params_;
  SchedulerWorkerObserver* observer_ = nullptr;
  // Sequences with tasks, none of them running.
  std::vector<scoped_refptr<Sequence>> ready_sequences_;
  std::vector<std::unique_ptr<Worker>> workers_;
  // Workers that ended on their own (reclaimed), waiting to be joined.
  std::vector<std::unique_ptr<Worker>> exited_workers_;
  size_t num_idle_workers_ = 0;
  bool join_requested_ = false;
};

}  // namespace internal
}  // namespace base

#endif  // BASE_TASK_TASK_SCHEDULER_SCHEDULER_WORKER_POOL_H_
