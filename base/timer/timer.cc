// Copyright 2026 Velta Software. All rights reserved.

#include "base/timer/timer.h"

#include <utility>

#include "base/bind.h"
#include "base/logging.h"
#include "base/threading/sequenced_task_runner_handle.h"

namespace base {

TimerBase::TimerBase() {
  // Bound to the sequence that starts it, not the one that makes it.
  DETACH_FROM_SEQUENCE(sequence_checker_);
}

TimerBase::~TimerBase() {
  // weak_factory_ dies with us and cancels the posted task.
  AbandonScheduledTask();
}

void TimerBase::SetTaskRunner(scoped_refptr<SequencedTaskRunner> task_runner) {
  DCHECK(!is_running_);
  task_runner_ = std::move(task_runner);
}

void TimerBase::StartInternal(const Location& posted_from, TimeDelta delay) {
  DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_checker_);
  posted_from_ = posted_from;
  delay_ = delay;
  Reset();
}

void TimerBase::Stop() {
  DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_checker_);
  is_running_ = false;
  AbandonScheduledTask();
  OnStop();
}

void TimerBase::Reset() {
  DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_checker_);
  DCHECK(HasUserTask()) << "Reset of a timer without a task";
  AbandonScheduledTask();
  PostNewScheduledTask(delay_);
}

void TimerBase::PostNewScheduledTask(TimeDelta delay) {
  is_running_ = true;
  scoped_refptr<SequencedTaskRunner> task_runner =
      task_runner_ ? task_runner_ : SequencedTaskRunnerHandle::Get();
  task_runner->PostDelayedTask(
      posted_from_, BindOnce(&TimerBase::OnScheduledTaskInvoked, weak_factory_.GetWeakPtr()),
      delay);
}

void TimerBase::AbandonScheduledTask() {
  weak_factory_.InvalidateWeakPtrs();
}

void TimerBase::OnScheduledTaskInvoked() {
  DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_checker_);
  // RunUserTask may destroy the timer: nothing touches `this` after it.
  RunUserTask();
}

OneShotTimer::OneShotTimer() = default;
OneShotTimer::~OneShotTimer() = default;

void OneShotTimer::Start(const Location& posted_from, TimeDelta delay, OnceClosure user_task) {
  DCHECK(user_task);
  user_task_ = std::move(user_task);
  StartInternal(posted_from, delay);
}

void OneShotTimer::FireNow() {
  DCHECK(IsRunning()) << "FireNow of a timer that is not running";
  AbandonScheduledTask();
  RunUserTask();
}

void OneShotTimer::OnStop() {
  user_task_.Reset();
}

void OneShotTimer::RunUserTask() {
  // Stopped before the task runs, so the task may start the timer again.
  OnceClosure task = std::move(user_task_);
  Stop();
  std::move(task).Run();
}

RepeatingTimer::RepeatingTimer() = default;
RepeatingTimer::~RepeatingTimer() = default;

void RepeatingTimer::Start(const Location& posted_from,
                           TimeDelta delay,
                           RepeatingClosure user_task) {
  DCHECK(user_task);
  user_task_ = std::move(user_task);
  StartInternal(posted_from, delay);
}

void RepeatingTimer::RunUserTask() {
  // The next run is posted before this one runs, so the task may stop,
  // restart or destroy the timer. A copy of the task keeps it alive.
  PostNewScheduledTask(GetCurrentDelay());
  RepeatingClosure task = user_task_;
  task.Run();
}

}  // namespace base
