// Copyright 2026 Velta Software. All rights reserved.

#include "base/task_runner.h"

#include <utility>

#include "base/threading/post_task_and_reply_impl.h"

namespace base {
namespace {

class PostTaskAndReplyTaskRunner : public internal::PostTaskAndReplyImpl {
 public:
  explicit PostTaskAndReplyTaskRunner(TaskRunner* destination) : destination_(destination) {}

 private:
  bool PostTask(const Location& from_here, OnceClosure task) override {
    return destination_->PostTask(from_here, std::move(task));
  }

  TaskRunner* const destination_;
};

}  // namespace

void TaskRunnerTraits::Destruct(const TaskRunner* task_runner) {
  task_runner->OnDestruct();
}

TaskRunner::TaskRunner() = default;
TaskRunner::~TaskRunner() = default;

void TaskRunner::OnDestruct() const {
  delete this;
}

bool TaskRunner::PostTask(const Location& from_here, OnceClosure task) {
  return PostDelayedTask(from_here, std::move(task), TimeDelta());
}

bool TaskRunner::PostTaskAndReply(const Location& from_here, OnceClosure task, OnceClosure reply) {
  return PostTaskAndReplyTaskRunner(this).PostTaskAndReply(from_here, std::move(task),
                                                           std::move(reply));
}

}  // namespace base
