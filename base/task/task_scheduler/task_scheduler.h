// Copyright 2026 Velta Software. All rights reserved.

#ifndef BASE_TASK_TASK_SCHEDULER_TASK_SCHEDULER_H_
#define BASE_TASK_TASK_SCHEDULER_TASK_SCHEDULER_H_

#include <memory>
#include <string>

#include "base/callback.h"
#include "base/location.h"
#include "base/memory/scoped_refptr.h"
#include "base/sequenced_task_runner.h"
#include "base/task/task_scheduler/scheduler_worker_pool_params.h"
#include "base/task/task_traits.h"
#include "base/time/time.h"

namespace base {

class SchedulerWorkerObserver;

// The process's pool of worker threads for tasks that belong to no thread:
// four pools, chosen by a task's traits (background or foreground priority,
// blocking or not). Most code posts through base/task/post_task.h.
//
// Life: Create(name) installs the instance (on the main thread, before any
// worker starts), Start() makes the pools' threads available (tasks posted
// before wait), Shutdown() ends the accepting of tasks and waits for those
// that block shutdown, ShutdownAndJoin() ends every thread. The instance is
// never destroyed while threads may post to it; tests swap it with
// SetInstance.
//
// Threading: every method but Create/SetInstance/Start from any thread;
// Shutdown and ShutdownAndJoin never from a worker.
class TaskScheduler {
 public:
  struct InitParams {
    InitParams(const SchedulerWorkerPoolParams& background_worker_pool_params_in,
               const SchedulerWorkerPoolParams& background_blocking_worker_pool_params_in,
               const SchedulerWorkerPoolParams& foreground_worker_pool_params_in,
               const SchedulerWorkerPoolParams& foreground_blocking_worker_pool_params_in);

    SchedulerWorkerPoolParams background_worker_pool_params;
    SchedulerWorkerPoolParams background_blocking_worker_pool_params;
    SchedulerWorkerPoolParams foreground_worker_pool_params;
    SchedulerWorkerPoolParams foreground_blocking_worker_pool_params;
  };

  virtual ~TaskScheduler() = default;

  // Starts the pools; `observer` (may be null) is told of every worker.
  virtual void Start(const InitParams& init_params,
                     SchedulerWorkerObserver* observer = nullptr) = 0;

  // Refuses new tasks (but BLOCK_SHUTDOWN ones, until it returns), drops
  // tasks not yet started unless BLOCK_SHUTDOWN, and waits for the
  // BLOCK_SHUTDOWN tasks (queued or running) and the running
  // SKIP_ON_SHUTDOWN ones. Safe to call again: later calls return at once.
  virtual void Shutdown() = 0;

  // Waits until every task posted without delay so far has run or been
  // dropped.
  virtual void FlushForTesting() = 0;

  // Ends every thread of the scheduler (the service thread of delayed tasks
  // and the pools' workers) and waits for them: what a process does as it
  // exits. It shuts the scheduler down first, so BLOCK_SHUTDOWN work
  // (preference writes) is never lost, whatever order the caller uses. Tasks
  // still queued are destroyed. Idempotent; the scheduler accepts no task
  // afterwards.
  virtual void ShutdownAndJoin() = 0;
  // ShutdownAndJoin, for a test that ends its scheduler.
  void JoinForTesting() { ShutdownAndJoin(); }

  virtual bool PostDelayedTaskWithTraits(const Location& from_here,
                                         const TaskTraits& traits,
                                         OnceClosure task,
                                         TimeDelta delay) = 0;
  // A runner whose tasks run one at a time, in order, on the traits' pool.
  virtual scoped_refptr<SequencedTaskRunner> CreateSequencedTaskRunnerWithTraits(
      const TaskTraits& traits) = 0;

  // Installs a new scheduler named `name` (its threads are named after it).
  static void Create(const std::string& name);
  // Installs `task_scheduler` (null removes the current one). The previous
  // instance is destroyed: join it first.
  static void SetInstance(std::unique_ptr<TaskScheduler> task_scheduler);
  // Null until Create or SetInstance.
  static TaskScheduler* GetInstance();
};

}  // namespace base

#endif  // BASE_TASK_TASK_SCHEDULER_TASK_SCHEDULER_H_
