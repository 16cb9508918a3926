// Copyright 2026 Velta Software. All rights reserved.

#ifndef BASE_THREADING_POST_TASK_AND_REPLY_IMPL_H_
#define BASE_THREADING_POST_TASK_AND_REPLY_IMPL_H_

#include "base/callback.h"
#include "base/location.h"

namespace base::internal {

// Posts a task with a reply to the calling sequence, over any way of posting
// (a task runner, the task scheduler's traits). The reply's runner is
// SequencedTaskRunnerHandle::Get() of the caller. See
// TaskRunner::PostTaskAndReply for the lifetimes.
class PostTaskAndReplyImpl {
 public:
  virtual ~PostTaskAndReplyImpl() = default;

  // False when there is no sequence to reply to or posting the task failed
  // (both callbacks are then destroyed here).
  bool PostTaskAndReply(const Location& from_here, OnceClosure task, OnceClosure reply);

 private:
  virtual bool PostTask(const Location& from_here, OnceClosure task) = 0;
};

}  // namespace base::internal

#endif  // BASE_THREADING_POST_TASK_AND_REPLY_IMPL_H_
