// Copyright 2026 Velta Software. All rights reserved.

#ifndef BASE_TASK_TASK_SCHEDULER_SEQUENCE_H_
#define BASE_TASK_TASK_SCHEDULER_SEQUENCE_H_

#include <stdint.h>

#include <deque>

#include "base/callback.h"
#include "base/location.h"
#include "base/memory/ref_counted.h"
#include "base/sequence_token.h"
#include "base/sequenced_task_runner.h"
#include "base/task/task_traits.h"

namespace base::internal {

// A task on its way through the scheduler.
struct Task {
  Task();
  Task(const Location& posted_from, OnceClosure task, const TaskTraits& traits);
  Task(Task&& other);
  Task& operator=(Task&& other);
  ~Task();

  Location posted_from;
  OnceClosure task;
  TaskTraits traits;
  // Set for tasks of a sequenced runner: what SequencedTaskRunnerHandle gives
  // while the task runs (and keeps the runner alive until then).
  scoped_refptr<SequencedTaskRunner> sequenced_task_runner_ref;
  // Posting order across the whole scheduler, for fairness between
  // sequences of equal priority.
  uint64_t sequence_num = 0;
};

// Tasks that must run one at a time, in order: the tasks of one sequenced
// runner, or a single task posted on its own. Guarded by the lock of the
// pool it runs in; the token names it for SequenceChecker.
class Sequence : public RefCountedThreadSafe<Sequence> {
 public:
  explicit Sequence(const TaskTraits& traits);

  const SequenceToken& token() const { return token_; }
  const TaskTraits& traits() const { return traits_; }

  std::deque<Task>& tasks() { return tasks_; }
  // True while the sequence is queued in its pool or one of its tasks runs.
  bool scheduled = false;

 private:
  friend class RefCountedThreadSafe<Sequence>;
  ~Sequence();

  const SequenceToken token_;
  const TaskTraits traits_;
  std::deque<Task> tasks_;
};

}  // namespace base::internal

#endif  // BASE_TASK_TASK_SCHEDULER_SEQUENCE_H_
