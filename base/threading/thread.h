// Copyright 2026 Velta Software. All rights reserved.

#ifndef BASE_THREADING_THREAD_H_
#define BASE_THREADING_THREAD_H_

#include <stddef.h>

#include <memory>
#include <string>

#include "base/memory/scoped_refptr.h"
#include "base/message_loop/message_loop.h"
#include "base/single_thread_task_runner.h"
#include "base/synchronization/lock.h"
#include "base/synchronization/waitable_event.h"
#include "base/threading/platform_thread.h"

namespace base {

class RunLoop;

// An owned thread running its own MessageLoop ("Fetcher thread", the
// "Installer IPC thread", ...):
//
//   base::Thread thread("Fetcher thread");
//   thread.StartWithOptions(base::Thread::Options(base::MessageLoop::TYPE_IO, 0));
//   thread.task_runner()->PostTask(FROM_HERE, base::BindOnce(&Fetch));
//   thread.Stop();
//
// The thread carries its name (PlatformThread::SetName). task_runner()
// works as soon as Start() returns: tasks posted before the thread runs
// wait for it.
//
// Stop() (also run by the destructor) lets the thread run every task already
// posted and every task those post, until its loop is idle, then ends it:
// delayed tasks not yet due at that point are destroyed unrun, and posting
// afterwards returns false. Stop() waits for the thread to end.
//
// Threading: Start, Stop and the destructor on the owning thread (never on
// the thread itself); task_runner() anywhere.
class Thread : PlatformThread::Delegate {
 public:
  struct Options {
    Options() = default;
    Options(MessageLoop::Type type, size_t size) : message_loop_type(type), stack_size(size) {}

    MessageLoop::Type message_loop_type = MessageLoop::TYPE_DEFAULT;
    // 0: the default stack size.
    size_t stack_size = 0;
  };

  explicit Thread(const std::string& name);
  Thread(const Thread&) = delete;
  Thread& operator=(const Thread&) = delete;
  // Stops the thread. A subclass that overrides CleanUp must call Stop() in
  // its own destructor.
  ~Thread() override;

  // Starts with a TYPE_DEFAULT loop. False when the thread cannot be made.
  bool Start();
  bool StartWithOptions(const Options& options);
  // Starts and waits until the thread runs its loop.
  bool StartAndWaitForTesting();
  // Blocks until the thread's loop runs; false if it was never started.
  bool WaitUntilThreadStarted() const;

  void Stop();
  // Asks the thread to stop (see the class comment) without waiting.
  void StopSoon();

  // Null when not started or after Stop().
  scoped_refptr<SingleThreadTaskRunner> task_runner() const;
  // The thread's loop, while the thread has one; only for use on the
  // thread itself or while it surely runs.
  MessageLoop* message_loop() const { return message_loop_; }

  const std::string& thread_name() const { return name_; }
  bool IsRunning() const;
  // Blocks until the thread has its id.
  PlatformThreadId GetThreadId() const;

 protected:
  // Run on the thread before and after its loop.
  virtual void Init() {}
  virtual void CleanUp() {}
  // Runs the loop; override to wrap it.
  virtual void Run(RunLoop* run_loop);

 private:
  // PlatformThread::Delegate:
  void ThreadMain() override;

  void ThreadQuitHelper();

  const std::string name_;
  // Set on Start, reset after the thread ended.
  PlatformThreadHandle thread_;
  bool stopping_ = false;

  // Made by Start on the owning thread, handed to the thread to run.
  std::unique_ptr<MessageLoop> message_loop_owned_;
  MessageLoop* message_loop_ = nullptr;
  scoped_refptr<SingleThreadTaskRunner> task_runner_;
  RunLoop* run_loop_ = nullptr;

  mutable Lock running_lock_;
  bool running_ = false;

  PlatformThreadId id_ = kInvalidThreadId;
  mutable WaitableEvent id_event_;
  mutable WaitableEvent start_event_;
};

}  // namespace base

#endif  // BASE_THREADING_THREAD_H_
