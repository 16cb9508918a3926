// Copyright 2026 Velta Software. All rights reserved.

#include "base/threading/thread.h"

#include <utility>

#include "base/bind.h"
#include "base/logging.h"
#include "base/run_loop.h"

namespace base {

Thread::Thread(const std::string& name) : name_(name) {}

Thread::~Thread() {
  Stop();
}

bool Thread::Start() {
  return StartWithOptions(Options());
}

bool Thread::StartWithOptions(const Options& options) {
  DCHECK(thread_.is_null()) << "thread " << name_ << " started twice";
  id_event_.Reset();
  start_event_.Reset();
  id_ = kInvalidThreadId;
  message_loop_owned_ = MessageLoop::CreateUnbound(options.message_loop_type);
  message_loop_ = message_loop_owned_.get();
  task_runner_ = message_loop_->task_runner();
  if (!PlatformThread::Create(options.stack_size, this, &thread_)) {
    LOG(ERROR) << "Cannot start thread " << name_;
    message_loop_owned_.reset();
    message_loop_ = nullptr;
    task_runner_ = nullptr;
    return false;
  }
  return true;
}

bool Thread::StartAndWaitForTesting() {
  return Start() && WaitUntilThreadStarted();
}

bool Thread::WaitUntilThreadStarted() const {
  if (thread_.is_null())
    return false;
  start_event_.Wait();
  return true;
}

void Thread::Stop() {
  if (thread_.is_null())
    return;
  DCHECK_NE(PlatformThread::CurrentId(), GetThreadId()) << "a thread cannot stop itself";
  StopSoon();
  PlatformThread::Join(thread_);
  thread_ = PlatformThreadHandle();
  task_runner_ = nullptr;
  stopping_ = false;
}

void Thread::StopSoon() {
  if (stopping_ || !task_runner_)
    return;
  stopping_ = true;
  // Unretained: Stop() joins the thread before `this` can go away.
  task_runner_->PostTask(FROM_HERE, BindOnce(&Thread::ThreadQuitHelper, Unretained(this)));
}

scoped_refptr<SingleThreadTaskRunner> Thread::task_runner() const {
  return task_runner_;
}

bool Thread::IsRunning() const {
  // Between Start() and the thread's first steps the thread counts as
  // running, as tasks may already be posted.
  if (!thread_.is_null() && !stopping_)
    return true;
  AutoLock lock(running_lock_);
  return running_;
}

PlatformThreadId Thread::GetThreadId() const {
  if (thread_.is_null())
    return kInvalidThreadId;
  id_event_.Wait();
  return id_;
}

void Thread::Run(RunLoop* run_loop) {
  run_loop->Run();
}

void Thread::ThreadMain() {
  id_ = PlatformThread::CurrentId();
  id_event_.Signal();
  PlatformThread::SetName(name_);

  std::unique_ptr<MessageLoop> message_loop = std::move(message_loop_owned_);
  message_loop->BindToCurrentThread();
  Init();
  {
    AutoLock lock(running_lock_);
    running_ = true;
  }
  start_event_.Signal();

  RunLoop run_loop;
  run_loop_ = &run_loop;
  Run(&run_loop);
  run_loop_ = nullptr;

  {
    AutoLock lock(running_lock_);
    running_ = false;
  }
  CleanUp();
  // Destroys the tasks left (delayed ones not yet due) on this thread.
  message_loop.reset();
  message_loop_ = nullptr;
}

void Thread::ThreadQuitHelper() {
  DCHECK(run_loop_);
  run_loop_->QuitWhenIdle();
}

}  // namespace base
