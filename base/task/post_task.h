// Copyright 2026 Velta Software. All rights reserved.

#ifndef BASE_TASK_POST_TASK_H_
#define BASE_TASK_POST_TASK_H_

#include <utility>

#include "base/callback.h"
#include "base/location.h"
#include "base/memory/scoped_refptr.h"
#include "base/post_task_and_reply_with_result_internal.h"
#include "base/sequenced_task_runner.h"
#include "base/task/task_traits.h"
#include "base/time/time.h"

// Posting to the task scheduler (TaskScheduler::GetInstance(), which must
// exist) by traits rather than to a particular thread:
//
//   base::PostTaskAndReplyWithTraits(
//       FROM_HERE, {base::MayBlock(), base::TaskPriority::BACKGROUND},
//       base::BindOnce(&GatherFolderDetails, folder),
//       base::BindOnce(&Window::OnDetails, weak_factory_.GetWeakPtr()));
//
// Each task posted this way runs on its own: two tasks may run in any order
// or at once (up to the pool's size). For order, post to one runner of
// CreateSequencedTaskRunnerWithTraits. Replies run on the posting sequence,
// as with TaskRunner::PostTaskAndReply. Posting returns false once the
// scheduler refuses tasks (shut down).

namespace base {

bool PostTask(const Location& from_here, OnceClosure task);
bool PostDelayedTask(const Location& from_here, OnceClosure task, TimeDelta delay);
bool PostTaskAndReply(const Location& from_here, OnceClosure task, OnceClosure reply);

bool PostTaskWithTraits(const Location& from_here, const TaskTraits& traits, OnceClosure task);
bool PostDelayedTaskWithTraits(const Location& from_here,
                               const TaskTraits& traits,
                               OnceClosure task,
                               TimeDelta delay);
bool PostTaskAndReplyWithTraits(const Location& from_here,
                                const TaskTraits& traits,
                                OnceClosure task,
                                OnceClosure reply);
// The same under its other well-known name.
inline bool PostTaskWithTraitsAndReply(const Location& from_here,
                                       const TaskTraits& traits,
                                       OnceClosure task,
                                       OnceClosure reply) {
  return PostTaskAndReplyWithTraits(from_here, traits, std::move(task), std::move(reply));
}

template <typename TaskReturnType, typename ReplyArgType>
bool PostTaskWithTraitsAndReplyWithResult(const Location& from_here,
                                          const TaskTraits& traits,
                                          OnceCallback<TaskReturnType()> task,
                                          OnceCallback<void(ReplyArgType)> reply) {
  auto [task_closure, reply_closure] =
      internal::BindTaskAndReplyWithResult(std::move(task), std::move(reply));
  return PostTaskAndReplyWithTraits(from_here, traits, std::move(task_closure),
                                    std::move(reply_closure));
}

scoped_refptr<SequencedTaskRunner> CreateSequencedTaskRunnerWithTraits(const TaskTraits& traits);

}  // namespace base

#endif  // BASE_TASK_POST_TASK_H_
