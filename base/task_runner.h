// Copyright 2026 Velta Software. All rights reserved.

#ifndef BASE_TASK_RUNNER_H_
#define BASE_TASK_RUNNER_H_

#include <utility>

#include "base/bind.h"
#include "base/callback.h"
#include "base/location.h"
#include "base/memory/ref_counted.h"
#include "base/post_task_and_reply_with_result_internal.h"
#include "base/time/time.h"

namespace base {

class TaskRunner;

struct TaskRunnerTraits {
  static void Destruct(const TaskRunner* task_runner);
};

// Something that runs posted tasks: a thread's message loop, a sequence of
// the task scheduler. Reference-counted because every poster holds it.
//
// A posted task carries the location it was posted from. PostTask returns
// false when the runner no longer accepts tasks (its thread stopped, the
// scheduler shut down); the task is then destroyed unrun, on the calling
// thread. A delayed task never runs before its delay has passed; it may run
// later.
//
// Threading: every method may be called on any thread.
class TaskRunner : public RefCountedThreadSafe<TaskRunner, TaskRunnerTraits> {
 public:
  bool PostTask(const Location& from_here, OnceClosure task);
  virtual bool PostDelayedTask(const Location& from_here, OnceClosure task, TimeDelta delay) = 0;

  // True when called from a task of this runner (for a sequenced runner, of
  // its sequence; for a thread's runner, on that thread).
  virtual bool RunsTasksInCurrentSequence() const = 0;

  // Posts `task` here; when it has run, `reply` is posted to the calling
  // sequence's runner (SequencedTaskRunnerHandle::Get(), which must be set).
  // `task` is destroyed on this runner, `reply` on the calling sequence,
  // whether or not they ran: a reply bound to a weak pointer is safe. If the
  // calling sequence stopped accepting tasks, the reply is leaked rather
  // than destroyed on the wrong thread.
  bool PostTaskAndReply(const Location& from_here, OnceClosure task, OnceClosure reply);

  // As PostTaskAndReply, with the task's result handed to the reply.
  template <typename TaskReturnType, typename ReplyArgType>
  bool PostTaskAndReplyWithResult(const Location& from_here,
                                  OnceCallback<TaskReturnType()> task,
                                  OnceCallback<void(ReplyArgType)> reply);

 protected:
  friend struct TaskRunnerTraits;

  TaskRunner();
  virtual ~TaskRunner();

  // Called when the last reference goes; deletes the runner.
  virtual void OnDestruct() const;
};

template <typename TaskReturnType, typename ReplyArgType>
bool TaskRunner::PostTaskAndReplyWithResult(const Location& from_here,
                                            OnceCallback<TaskReturnType()> task,
                                            OnceCallback<void(ReplyArgType)> reply) {
  DCHECK(task);
  DCHECK(reply);
  auto [task_closure, reply_closure] =
      internal::BindTaskAndReplyWithResult(std::move(task), std::move(reply));
  return PostTaskAndReply(from_here, std::move(task_closure), std::move(reply_closure));
}

}  // namespace base

#endif  // BASE_TASK_RUNNER_H_
