// Copyright 2026 Velta Software. All rights reserved.

#ifndef BASE_THREADING_THREAD_TASK_RUNNER_HANDLE_H_
#define BASE_THREADING_THREAD_TASK_RUNNER_HANDLE_H_

#include "base/memory/scoped_refptr.h"
#include "base/single_thread_task_runner.h"

namespace base {

// The task runner of the current thread's message loop: how code posts to
// "this thread" and how replies find their way back. Set for its scope by
// the MessageLoop of the thread (or by a test).
class ThreadTaskRunnerHandle {
 public:
  // CHECKs that a handle is set on this thread.
  static const scoped_refptr<SingleThreadTaskRunner>& Get();
  static bool IsSet();

  explicit ThreadTaskRunnerHandle(scoped_refptr<SingleThreadTaskRunner> task_runner);
  ThreadTaskRunnerHandle(const ThreadTaskRunnerHandle&) = delete;
  ThreadTaskRunnerHandle& operator=(const ThreadTaskRunnerHandle&) = delete;
  ~ThreadTaskRunnerHandle();

 private:
  const scoped_refptr<SingleThreadTaskRunner> task_runner_;
  ThreadTaskRunnerHandle* const previous_;
};

}  // namespace base

#endif  // BASE_THREADING_THREAD_TASK_RUNNER_HANDLE_H_
