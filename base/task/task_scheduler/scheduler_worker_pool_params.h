// Copyright 2026 Velta Software. All rights reserved.

#ifndef BASE_TASK_TASK_SCHEDULER_SCHEDULER_WORKER_POOL_PARAMS_H_
#define BASE_TASK_TASK_SCHEDULER_SCHEDULER_WORKER_POOL_PARAMS_H_

#include "base/time/time.h"

namespace base {

// What a pool's worker threads set up before running tasks.
enum class SchedulerBackwardCompatibility {
  DISABLED,
  // Each worker initialises COM as a single-threaded apartment
  // (CoInitializeEx(COINIT_APARTMENTTHREADED)) for its whole life.
  INIT_COM_STA,
};

// The size and idle policy of one worker pool.
class SchedulerWorkerPoolParams {
 public:
  // At most `max_tasks` threads (and so tasks at once); a thread idle for
  // `suggested_reclaim_time` ends, and a new one is made when work comes.
  SchedulerWorkerPoolParams(int max_tasks,
                            TimeDelta suggested_reclaim_time,
                            SchedulerBackwardCompatibility backward_compatibility =
                                SchedulerBackwardCompatibility::DISABLED)
      : max_tasks_(max_tasks),
        suggested_reclaim_time_(suggested_reclaim_time),
        backward_compatibility_(backward_compatibility) {}

  int max_tasks() const { return max_tasks_; }
  TimeDelta suggested_reclaim_time() const { return suggested_reclaim_time_; }
  SchedulerBackwardCompatibility backward_compatibility() const { return backward_compatibility_; }

 private:
  int max_tasks_;
  TimeDelta suggested_reclaim_time_;
  SchedulerBackwardCompatibility backward_compatibility_;
};

}  // namespace base

#endif  // BASE_TASK_TASK_SCHEDULER_SCHEDULER_WORKER_POOL_PARAMS_H_
