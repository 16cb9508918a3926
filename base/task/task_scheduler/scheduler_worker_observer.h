// Copyright 2026 Velta Software. All rights reserved.

#ifndef BASE_TASK_TASK_SCHEDULER_SCHEDULER_WORKER_OBSERVER_H_
#define BASE_TASK_TASK_SCHEDULER_SCHEDULER_WORKER_OBSERVER_H_

namespace base {

// Told when a scheduler worker thread starts and ends (on that thread),
// e.g. to set up per-thread state. Must outlive the scheduler's threads.
class SchedulerWorkerObserver {
 public:
  virtual ~SchedulerWorkerObserver() = default;
  virtual void OnSchedulerWorkerMainEntry() = 0;
  virtual void OnSchedulerWorkerMainExit() = 0;
};

}  // namespace base

#endif  // BASE_TASK_TASK_SCHEDULER_SCHEDULER_WORKER_OBSERVER_H_
