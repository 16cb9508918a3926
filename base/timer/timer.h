// Copyright 2026 Velta Software. All rights reserved.

#ifndef BASE_TIMER_TIMER_H_
#define BASE_TIMER_TIMER_H_

#include "base/callback.h"
#include "base/location.h"
#include "base/memory/scoped_refptr.h"
#include "base/memory/weak_ptr.h"
#include "base/sequence_checker.h"
#include "base/sequenced_task_runner.h"
#include "base/time/time.h"

namespace base {

// What OneShotTimer and RepeatingTimer share: a delayed task posted to the
// sequence that started the timer, cancelled by Stop(), Reset() or the
// timer's destruction (the posted task is bound to a weak pointer, so a
// destroyed timer never fires). The task runs on that sequence, never
// before the delay has passed.
//
// Threading: used on one sequence, the one that starts it (DCHECKed).
class TimerBase {
 public:
  TimerBase(const TimerBase&) = delete;
  TimerBase& operator=(const TimerBase&) = delete;
  virtual ~TimerBase();

  bool IsRunning() const { return is_running_; }
  TimeDelta GetCurrentDelay() const { return delay_; }

  // Cancels the pending run. A OneShotTimer also forgets its task; a
  // RepeatingTimer keeps it for Reset().
  void Stop();
  // Starts counting the delay again from now, with the same task.
  void Reset();

  // Posts to `task_runner` instead of the starting sequence (tests). Call
  // before Start.
  void SetTaskRunner(scoped_refptr<SequencedTaskRunner> task_runner);

 protected:
  TimerBase();

  void StartInternal(const Location& posted_from, TimeDelta delay);
  void PostNewScheduledTask(TimeDelta delay);
  void AbandonScheduledTask();

  virtual void OnStop() = 0;
  virtual void RunUserTask() = 0;
  virtual bool HasUserTask() const = 0;

  bool is_running_ = false;

 private:
  void OnScheduledTaskInvoked();

  Location posted_from_;
  TimeDelta delay_;
  scoped_refptr<SequencedTaskRunner> task_runner_;
  SEQUENCE_CHECKER(sequence_checker_);
  // Invalidated to cancel the posted task.
  WeakPtrFactory<TimerBase> weak_factory_{this};
};

// Runs a task once, `delay` after Start (or the last Reset).
class OneShotTimer : public TimerBase {
 public:
  OneShotTimer();
  ~OneShotTimer() override;

  // Starting a running timer replaces its task and delay.
  void Start(const Location& posted_from, TimeDelta delay, OnceClosure user_task);
  // Runs the task now, on the calling sequence, instead of when due.
  void FireNow();

 private:
  void OnStop() override;
  void RunUserTask() override;
  bool HasUserTask() const override { return !user_task_.is_null(); }

  OnceClosure user_task_;
};

// Runs a task every `delay` until stopped.
class RepeatingTimer : public TimerBase {
 public:
  RepeatingTimer();
  ~RepeatingTimer() override;

  void Start(const Location& posted_from, TimeDelta delay, RepeatingClosure user_task);

 private:
  void OnStop() override {}
  void RunUserTask() override;
  bool HasUserTask() const override { return !user_task_.is_null(); }

  RepeatingClosure user_task_;
};

}  // namespace base

#endif  // BASE_TIMER_TIMER_H_
