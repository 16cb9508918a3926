// Copyright 2026 Velta Software. All rights reserved.

#include "base/threading/post_task_and_reply_impl.h"

#include <utility>

#include "base/bind.h"
#include "base/logging.h"
#include "base/sequenced_task_runner.h"
#include "base/threading/sequenced_task_runner_handle.h"

namespace base::internal {
namespace {

// Carries the task to its runner and the reply back. Moved along, never
// copied; whoever holds it last makes sure the reply dies on its own
// sequence.
class PostTaskAndReplyRelay {
 public:
  PostTaskAndReplyRelay(const Location& from_here,
                        OnceClosure task,
                        OnceClosure reply,
                        scoped_refptr<SequencedTaskRunner> reply_task_runner)
      : from_here_(from_here),
        task_(std::move(task)),
        reply_(std::move(reply)),
        reply_task_runner_(std::move(reply_task_runner)) {}
  PostTaskAndReplyRelay(PostTaskAndReplyRelay&&) = default;
  PostTaskAndReplyRelay& operator=(PostTaskAndReplyRelay&&) = delete;

  ~PostTaskAndReplyRelay() {
    // The task is destroyed where the relay dies: on the task's runner.
    task_.Reset();
    if (!reply_)
      return;
    if (reply_task_runner_->RunsTasksInCurrentSequence())
      return;  // reply_ dies here, on its own sequence
    // The task was dropped or the reply could not be posted: send the reply
    // home to be destroyed. If home is gone, it leaks on purpose.
    reply_task_runner_->DeleteSoon(from_here_, new OnceClosure(std::move(reply_)));
  }

  static void RunTaskAndPostReply(PostTaskAndReplyRelay relay) {
    DCHECK(relay.task_);
    std::move(relay.task_).Run();
    SequencedTaskRunner* reply_task_runner = relay.reply_task_runner_.get();
    reply_task_runner->PostTask(relay.from_here_,
                                BindOnce(&PostTaskAndReplyRelay::RunReply, std::move(relay)));
  }

 private:
  static void RunReply(PostTaskAndReplyRelay relay) {
    DCHECK(!relay.task_);
    DCHECK(relay.reply_);
    std::move(relay.reply_).Run();
  }

  const Location from_here_;
  OnceClosure task_;
  OnceClosure reply_;
  const scoped_refptr<SequencedTaskRunner> reply_task_runner_;
};

}  // namespace

bool PostTaskAndReplyImpl::PostTaskAndReply(const Location& from_here,
                                            OnceClosure task,
                                            OnceClosure reply) {
  DCHECK(task) << from_here.ToString();
  DCHECK(reply) << from_here.ToString();
  if (!SequencedTaskRunnerHandle::IsSet()) {
    DCHECK(false) << "PostTaskAndReply needs a sequence to reply to: " << from_here.ToString();
    return false;
  }
  return PostTask(from_here,
                  BindOnce(&PostTaskAndReplyRelay::RunTaskAndPostReply,
                           PostTaskAndReplyRelay(from_here, std::move(task), std::move(reply),
                                                 SequencedTaskRunnerHandle::Get())));
}

}  // namespace base::internal
