// Copyright 2026 Velta Software. All rights reserved.

#ifndef BASE_THREADING_SEQUENCED_TASK_RUNNER_HANDLE_H_
#define BASE_THREADING_SEQUENCED_TASK_RUNNER_HANDLE_H_

#include "base/memory/scoped_refptr.h"
#include "base/sequenced_task_runner.h"

namespace base {

// The task runner of the current sequence: the thread's runner on a thread
// with a message loop, the sequence's runner inside a sequenced task of the
// task scheduler. Set for its scope by the scheduler (or a test).
class SequencedTaskRunnerHandle {
 public:
  // CHECKs that a runner is set for the current sequence.
  static scoped_refptr<SequencedTaskRunner> Get();
  static bool IsSet();

  explicit SequencedTaskRunnerHandle(scoped_refptr<SequencedTaskRunner> task_runner);
  SequencedTaskRunnerHandle(const SequencedTaskRunnerHandle&) = delete;
  SequencedTaskRunnerHandle& operator=(const SequencedTaskRunnerHandle&) = delete;
  ~SequencedTaskRunnerHandle();

 private:
  const scoped_refptr<SequencedTaskRunner> task_runner_;
  SequencedTaskRunnerHandle* const previous_;
};

}  // namespace base

#endif  // BASE_THREADING_SEQUENCED_TASK_RUNNER_HANDLE_H_
