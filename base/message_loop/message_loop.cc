// Copyright 2026 Velta Software. All rights reserved.

#include "base/message_loop/message_loop.h"

#include <algorithm>
#include <utility>

#include "base/logging.h"
#include "base/message_loop/message_loop_task_runner.h"
#include "base/message_loop/message_pump_default.h"
#include "base/message_loop/message_pump_for_io.h"
#include "base/message_loop/message_pump_for_ui.h"
#include "base/run_loop.h"
#include "base/threading/thread_task_runner_handle.h"

namespace base {
namespace {

thread_local MessageLoop* t_current_loop = nullptr;

// Heap order for the delayed queue: the task due first on top.
bool DelayedTaskRunsAfter(const PendingTask& a, const PendingTask& b) {
  return a.RunsAfter(b);
}

std::unique_ptr<MessagePump> CreatePump(MessageLoop::Type type) {
  switch (type) {
    case MessageLoop::TYPE_UI:
      return std::make_unique<MessagePumpForUI>();
    case MessageLoop::TYPE_IO:
      return std::make_unique<MessagePumpForIO>();
    case MessageLoop::TYPE_DEFAULT:
      break;
  }
  return std::make_unique<MessagePumpDefault>();
}

}  // namespace

MessageLoop::MessageLoop(Type type) : MessageLoop(type, Unbound()) {
  BindToCurrentThread();
}

MessageLoop::MessageLoop(Type type, Unbound)
    : type_(type),
      incoming_task_runner_(MakeRefCounted<internal::MessageLoopTaskRunner>()),
      task_runner_(incoming_task_runner_) {}

// static
std::unique_ptr<MessageLoop> MessageLoop::CreateUnbound(Type type) {
  return std::unique_ptr<MessageLoop>(new MessageLoop(type, Unbound()));
}

void MessageLoop::BindToCurrentThread() {
  DCHECK(!bound_);
  CHECK(!t_current_loop) << "this thread already has a message loop";
  // The UI pump's window belongs to the thread that makes it: made here.
  pump_ = CreatePump(type_);
  t_current_loop = this;
  incoming_task_runner_->BindToCurrentThread(pump_.get());
  thread_task_runner_handle_ = std::make_unique<ThreadTaskRunnerHandle>(task_runner_);
  bound_ = true;
}

MessageLoop::~MessageLoop() {
  if (!bound_) {
    // Never ran on a thread (its thread did not start): just refuse tasks.
    incoming_task_runner_->Shutdown();
    return;
  }
  DCHECK_EQ(this, t_current_loop);
  DCHECK(run_loops_.empty()) << "message loop destroyed while running";

  // Destroying tasks may post new ones (a reply sent home, DeleteSoon):
  // repeat until the queues stay empty, a bounded number of times.
  for (int i = 0; i < 100; ++i) {
    if (!DeletePendingTasks())
      break;
  }
  incoming_task_runner_->Shutdown();
  // Tasks that arrived between the last pass and the shutdown.
  DeletePendingTasks();

  thread_task_runner_handle_.reset();
  pump_.reset();
  t_current_loop = nullptr;
}

// static
MessageLoop* MessageLoop::current() {
  return t_current_loop;
}

void MessageLoop::SetNestableTasksAllowed(bool allowed) {
  if (allowed && !nestable_tasks_allowed_) {
    // Wake the pump: tasks held back may run now.
    pump_->ScheduleWork();
  }
  nestable_tasks_allowed_ = allowed;
}

MessageLoop::ScopedNestableTaskAllower::ScopedNestableTaskAllower()
    : loop_(MessageLoop::current()), old_state_(loop_->NestableTasksAllowed()) {
  loop_->SetNestableTasksAllowed(true);
}

MessageLoop::ScopedNestableTaskAllower::~ScopedNestableTaskAllower() {
  loop_->SetNestableTasksAllowed(old_state_);
}

void MessageLoop::Run(RunLoop* run_loop) {
  DCHECK_EQ(this, t_current_loop);
  const bool old_nestable = nestable_tasks_allowed_;
  if (!run_loops_.empty() && run_loop->type() == RunLoop::Type::kNestableTasksAllowed)
    SetNestableTasksAllowed(true);
  run_loops_.push_back(run_loop);
  pump_->Run(this);
  run_loops_.pop_back();
  nestable_tasks_allowed_ = old_nestable;
  // An enclosing loop asked to quit while this one ran: it ends now.
  if (!run_loops_.empty() && run_loops_.back()->quit_called_)
    pump_->Quit();
}

RunLoop* MessageLoop::current_run_loop() const {
  return run_loops_.empty() ? nullptr : run_loops_.back();
}

void MessageLoop::QuitPump() {
  pump_->Quit();
}

bool MessageLoop::DoWork() {
  if (!nestable_tasks_allowed_)
    return false;  // inside a task, in a loop that may not run others
  for (;;) {
    if (work_queue_.empty()) {
      incoming_task_runner_->TakeIncomingTasks(&work_queue_);
      if (work_queue_.empty())
        return false;
    }
    PendingTask pending_task = std::move(work_queue_.front());
    work_queue_.pop_front();
    if (!pending_task.delayed_run_time.is_null()) {
      AddToDelayedWorkQueue(std::move(pending_task));
      continue;
    }
    RunTask(&pending_task);
    return true;
  }
}

void MessageLoop::AddToDelayedWorkQueue(PendingTask pending_task) {
  const TimeTicks run_time = pending_task.delayed_run_time;
  delayed_work_queue_.push_back(std::move(pending_task));
  std::push_heap(delayed_work_queue_.begin(), delayed_work_queue_.end(), &DelayedTaskRunsAfter);
  // The pump needs to know only when the earliest due time changed.
  if (delayed_work_queue_.front().delayed_run_time == run_time)
    pump_->ScheduleDelayedWork(run_time);
}

bool MessageLoop::DoDelayedWork(TimeTicks* next_delayed_work_time) {
  if (!nestable_tasks_allowed_ || delayed_work_queue_.empty()) {
    recent_time_ = *next_delayed_work_time = TimeTicks();
    return false;
  }
  const TimeTicks next_run_time = delayed_work_queue_.front().delayed_run_time;
  if (next_run_time > recent_time_) {
    recent_time_ = TimeTicks::Now();
    if (next_run_time > recent_time_) {
      *next_delayed_work_time = next_run_time;
      return false;
    }
  }
  std::pop_heap(delayed_work_queue_.begin(), delayed_work_queue_.end(), &DelayedTaskRunsAfter);
  PendingTask pending_task = std::move(delayed_work_queue_.back());
  delayed_work_queue_.pop_back();
  *next_delayed_work_time =
      delayed_work_queue_.empty() ? TimeTicks() : delayed_work_queue_.front().delayed_run_time;
  RunTask(&pending_task);
  return true;
}

bool MessageLoop::DoIdleWork() {
  RunLoop* run_loop = current_run_loop();
  if (run_loop && run_loop->quit_when_idle_received_)
    pump_->Quit();
  return false;
}

MessagePumpDispatcher* MessageLoop::GetDispatcher() {
  RunLoop* run_loop = current_run_loop();
  return run_loop ? run_loop->dispatcher() : nullptr;
}

void MessageLoop::RunTask(PendingTask* pending_task) {
  DCHECK(nestable_tasks_allowed_);
  nestable_tasks_allowed_ = false;
  std::move(pending_task->task).Run();
  nestable_tasks_allowed_ = true;
}

bool MessageLoop::DeletePendingTasks() {
  std::deque<PendingTask> incoming;
  incoming_task_runner_->TakeIncomingTasks(&incoming);
  const bool had_tasks = !work_queue_.empty() || !delayed_work_queue_.empty() || !incoming.empty();
  // Moved out first: a task's destructor may touch the queues.
  std::deque<PendingTask> work_queue = std::move(work_queue_);
  std::vector<PendingTask> delayed_work_queue = std::move(delayed_work_queue_);
  work_queue_.clear();
  delayed_work_queue_.clear();
  work_queue.clear();
  delayed_work_queue.clear();
  incoming.clear();
  return had_tasks;
}

}  // namespace base
