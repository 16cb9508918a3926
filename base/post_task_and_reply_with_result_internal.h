// Copyright 2026 Velta Software. All rights reserved.

#ifndef BASE_POST_TASK_AND_REPLY_WITH_RESULT_INTERNAL_H_
#define BASE_POST_TASK_AND_REPLY_WITH_RESULT_INTERNAL_H_

#include <optional>
#include <utility>

#include "base/bind.h"
#include "base/callback.h"

namespace base::internal {

// Splits a task returning a value and a reply taking it into the closure
// pair of PostTaskAndReply. The result lives in a holder owned by the reply,
// so it dies with the reply on the posting sequence; the task writes it
// before the reply can run.
template <typename TaskReturnType, typename ReplyArgType>
std::pair<OnceClosure, OnceClosure> BindTaskAndReplyWithResult(
    OnceCallback<TaskReturnType()> task,
    OnceCallback<void(ReplyArgType)> reply) {
  auto* result = new std::optional<TaskReturnType>();
  OnceClosure task_closure = BindOnce(
      [](OnceCallback<TaskReturnType()> task, std::optional<TaskReturnType>* result) {
        result->emplace(std::move(task).Run());
      },
      std::move(task), Unretained(result));
  OnceClosure reply_closure = BindOnce(
      [](OnceCallback<void(ReplyArgType)> reply, std::optional<TaskReturnType>* result) {
        std::move(reply).Run(std::move(**result));
      },
      std::move(reply), Owned(result));
  return {std::move(task_closure), std::move(reply_closure)};
}

}  // namespace base::internal

#endif  // BASE_POST_TASK_AND_REPLY_WITH_RESULT_INTERNAL_H_
