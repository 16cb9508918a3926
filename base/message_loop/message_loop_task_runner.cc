// Copyright 2026 Velta Software. All rights reserved.

#include "base/message_loop/message_loop_task_runner.h"

#include <utility>

#include "base/logging.h"
#include "base/message_loop/message_pump.h"

namespace base::internal {

MessageLoopTaskRunner::MessageLoopTaskRunner() = default;
MessageLoopTaskRunner::~MessageLoopTaskRunner() = default;

bool MessageLoopTaskRunner::PostDelayedTask(const Location& from_here,
                                            OnceClosure task,
                                            TimeDelta delay) {
  DCHECK(task) << "posting a null task from " << from_here.ToString();
  DCHECK(delay >= TimeDelta()) << "negative delay from " << from_here.ToString();
  const TimeTicks delayed_run_time = delay > TimeDelta() ? TimeTicks::Now() + delay : TimeTicks();
  // A refused task is destroyed when this function returns, after the lock
  // is released: its destructors may post again.
  AutoLock auto_lock(lock_);
  if (!accepts_tasks_)
    return false;
  const bool was_empty = incoming_queue_.empty();
  incoming_queue_.emplace_back(from_here, std::move(task), delayed_run_time, next_sequence_num_++);
  // Woken under the lock so the pump cannot be destroyed meanwhile (Shutdown
  // takes the lock). The pump wakes once per batch; it takes all tasks.
  if (was_empty && pump_)
    pump_->ScheduleWork();
  return true;
}

bool MessageLoopTaskRunner::RunsTasksInCurrentSequence() const {
  AutoLock auto_lock(lock_);
  return thread_id_ == PlatformThread::CurrentId();
}

void MessageLoopTaskRunner::BindToCurrentThread(MessagePump* pump) {
  AutoLock auto_lock(lock_);
  DCHECK(!pump_);
  pump_ = pump;
  thread_id_ = PlatformThread::CurrentId();
  // Tasks posted before the thread ran need their wake-up now.
  if (!incoming_queue_.empty())
    pump_->ScheduleWork();
}

void MessageLoopTaskRunner::TakeIncomingTasks(std::deque<PendingTask>* work_queue) {
  DCHECK(work_queue->empty());
  AutoLock auto_lock(lock_);
  incoming_queue_.swap(*work_queue);
}

void MessageLoopTaskRunner::Shutdown() {
  AutoLock auto_lock(lock_);
  accepts_tasks_ = false;
  pump_ = nullptr;
}

}  // namespace base::internal
