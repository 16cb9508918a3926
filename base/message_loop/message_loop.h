// Copyright 2026 Velta Software. All rights reserved.

#ifndef BASE_MESSAGE_LOOP_MESSAGE_LOOP_H_
#define BASE_MESSAGE_LOOP_MESSAGE_LOOP_H_

#include <deque>
#include <memory>
#include <vector>

#include "base/memory/scoped_refptr.h"
#include "base/message_loop/message_pump.h"
#include "base/pending_task.h"
#include "base/single_thread_task_runner.h"

namespace base {

class RunLoop;
class Thread;
class ThreadTaskRunnerHandle;

namespace internal {
class MessageLoopTaskRunner;
}

// The task queue of one thread and the pump that waits for its work. A
// thread has at most one; RunLoop runs it. Three kinds:
//  - TYPE_DEFAULT: tasks only;
//  - TYPE_UI: tasks and Windows messages (MessagePumpForUI), for threads
//    with windows;
//  - TYPE_IO: tasks and I/O completions (MessagePumpForIO).
//
// Tasks posted to task_runner() run in posting order; delayed tasks by due
// time, ties in posting order, never early. A task posted while a task runs
// waits for it to finish: tasks do not nest unless a nested RunLoop of type
// kNestableTasksAllowed (or ScopedNestableTaskAllower) allows it.
//
// Destroying the loop destroys the tasks still queued without running them
// (tasks their destructors post as well); later posts return false.
//
// Made, run and destroyed on its thread; task_runner() is used anywhere.
class MessageLoop : public MessagePump::Delegate {
 public:
  enum Type { TYPE_DEFAULT, TYPE_UI, TYPE_IO };

  // Makes the loop of the calling thread, which must have none.
  explicit MessageLoop(Type type = TYPE_DEFAULT);
  MessageLoop(const MessageLoop&) = delete;
  MessageLoop& operator=(const MessageLoop&) = delete;
  ~MessageLoop() override;

  // The calling thread's loop, or null.
  static MessageLoop* current();

  Type type() const { return type_; }
  bool IsType(Type type) const { return type_ == type; }
  const scoped_refptr<SingleThreadTaskRunner>& task_runner() const { return task_runner_; }

  // Whether a task may run now from inside a running task (nested loop).
  void SetNestableTasksAllowed(bool allowed);
  bool NestableTasksAllowed() const { return nestable_tasks_allowed_; }

  // Allows nested tasks for its scope (a modal loop that must keep tasks
  // running).
  class ScopedNestableTaskAllower {
   public:
    ScopedNestableTaskAllower();
    ScopedNestableTaskAllower(const ScopedNestableTaskAllower&) = delete;
    ScopedNestableTaskAllower& operator=(const ScopedNestableTaskAllower&) = delete;
    ~ScopedNestableTaskAllower();

   private:
    MessageLoop* const loop_;
    const bool old_state_;
  };

 protected:
  MessagePump* pump() const { return pump_.get(); }

 private:
  friend class RunLoop;
  friend class Thread;

  // A loop made on one thread to be bound by another (base::Thread makes
  // its loop before the thread starts, so task_runner() works at once).
  struct Unbound {};
  MessageLoop(Type type, Unbound);
  static std::unique_ptr<MessageLoop> CreateUnbound(Type type);
  void BindToCurrentThread();

  // RunLoop's entry: runs the pump for `run_loop` (nested when another runs).
  void Run(RunLoop* run_loop);
  RunLoop* current_run_loop() const;
  void QuitPump();

  // MessagePump::Delegate:
  bool DoWork() override;
  bool DoDelayedWork(TimeTicks* next_delayed_work_time) override;
  bool DoIdleWork() override;
  MessagePumpDispatcher* GetDispatcher() override;

  void RunTask(PendingTask* pending_task);
  void AddToDelayedWorkQueue(PendingTask pending_task);
  // Destroys every queued task; true when any existed.
  bool DeletePendingTasks();

  const Type type_;
  scoped_refptr<internal::MessageLoopTaskRunner> incoming_task_runner_;
  scoped_refptr<SingleThreadTaskRunner> task_runner_;
  std::unique_ptr<MessagePump> pump_;
  std::unique_ptr<ThreadTaskRunnerHandle> thread_task_runner_handle_;

  // Tasks taken from the incoming queue, in posting order.
  std::deque<PendingTask> work_queue_;
  // A heap of delayed tasks, the next due at the front.
  std::vector<PendingTask> delayed_work_queue_;
  // The last time read from the clock, to read it less often.
  TimeTicks recent_time_;

  std::vector<RunLoop*> run_loops_;
  bool nestable_tasks_allowed_ = true;
  bool bound_ = false;
};

}  // namespace base

#endif  // BASE_MESSAGE_LOOP_MESSAGE_LOOP_H_
