// Copyright 2026 Velta Software. All rights reserved.

#ifndef BASE_SINGLE_THREAD_TASK_RUNNER_H_
#define BASE_SINGLE_THREAD_TASK_RUNNER_H_

#include "base/sequenced_task_runner.h"

namespace base {

// A sequenced task runner whose tasks all run on one thread (a
// base::Thread's or the main thread's message loop).
class SingleThreadTaskRunner : public SequencedTaskRunner {
 public:
  bool BelongsToCurrentThread() const { return RunsTasksInCurrentSequence(); }

 protected:
  ~SingleThreadTaskRunner() override = default;
};

}  // namespace base

#endif  // BASE_SINGLE_THREAD_TASK_RUNNER_H_
