// Copyright 2026 Velta Software. All rights reserved.

#include "base/run_loop.h"

#include <utility>

#include "base/bind.h"
#include "base/logging.h"
#include "base/message_loop/message_loop.h"

namespace base {
namespace {

void ProxyToTaskRunner(const scoped_refptr<SingleThreadTaskRunner>& task_runner,
                       const RepeatingClosure& closure) {
  if (task_runner->RunsTasksInCurrentSequence()) {
    closure.Run();
    return;
  }
  task_runner->PostTask(FROM_HERE, closure);
}

}  // namespace

RunLoop::RunLoop(Type type) : RunLoop(type, nullptr) {}

RunLoop::RunLoop(Type type, MessagePumpDispatcher* dispatcher)
    : loop_(MessageLoop::current()),
      type_(type),
      dispatcher_(dispatcher),
      origin_task_runner_(loop_ ? loop_->task_runner() : nullptr) {
  CHECK(loop_) << "a RunLoop needs a MessageLoop on its thread";
  DCHECK(!dispatcher_ || loop_->IsType(MessageLoop::TYPE_UI))
      << "only a UI loop sees Windows messages to dispatch";
  weak_self_ = weak_factory_.GetWeakPtr();
}

RunLoop::~RunLoop() {
  DCHECK(!running_);
}

void RunLoop::Run() {
  DCHECK_EQ(loop_, MessageLoop::current());
  DCHECK(!run_called_) << "a RunLoop runs once";
  run_called_ = true;
  if (quit_called_)
    return;  // quit before it ran
  running_ = true;
  loop_->Run(this);
  running_ = false;
}

void RunLoop::RunUntilIdle() {
  quit_when_idle_received_ = true;
  Run();
}

void RunLoop::Quit() {
  if (!origin_task_runner_->RunsTasksInCurrentSequence()) {
    origin_task_runner_->PostTask(FROM_HERE, BindOnce(&RunLoop::Quit, weak_self_));
    return;
  }
  quit_called_ = true;
  // Only the innermost loop can stop the pump now; an outer one stops when
  // the loops inside it have returned (MessageLoop::Run).
  if (running_ && loop_->current_run_loop() == this)
    loop_->QuitPump();
}

void RunLoop::QuitWhenIdle() {
  if (!origin_task_runner_->RunsTasksInCurrentSequence()) {
    origin_task_runner_->PostTask(FROM_HERE, BindOnce(&RunLoop::QuitWhenIdle, weak_self_));
    return;
  }
  quit_when_idle_received_ = true;
}

RepeatingClosure RunLoop::QuitClosure() {
  return BindRepeating(&ProxyToTaskRunner, origin_task_runner_,
                       BindRepeating(&RunLoop::Quit, weak_self_));
}

RepeatingClosure RunLoop::QuitWhenIdleClosure() {
  return BindRepeating(&ProxyToTaskRunner, origin_task_runner_,
                       BindRepeating(&RunLoop::QuitWhenIdle, weak_self_));
}

// static
bool RunLoop::IsRunningOnCurrentThread() {
  MessageLoop* loop = MessageLoop::current();
  return loop && loop->current_run_loop();
}

// static
bool RunLoop::IsNestedOnCurrentThread() {
  MessageLoop* loop = MessageLoop::current();
  return loop && loop->run_loops_.size() > 1;
}

}  // namespace base
