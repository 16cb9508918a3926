// Copyright 2026 Velta Software. All rights reserved.

#ifndef BASE_TASK_RUNNER_UTIL_H_
#define BASE_TASK_RUNNER_UTIL_H_

#include <utility>

#include "base/callback.h"
#include "base/location.h"
#include "base/task_runner.h"

namespace base {

// Runs `task` on `task_runner` and hands its result to `reply` on the
// calling sequence. See TaskRunner::PostTaskAndReply for the lifetimes.
template <typename TaskReturnType, typename ReplyArgType>
bool PostTaskAndReplyWithResult(TaskRunner* task_runner,
                                const Location& from_here,
                                OnceCallback<TaskReturnType()> task,
                                OnceCallback<void(ReplyArgType)> reply) {
  return task_runner->PostTaskAndReplyWithResult(from_here, std::move(task), std::move(reply));
}

}  // namespace base

#endif  // BASE_TASK_RUNNER_UTIL_H_
