// Copyright 2026 Velta Software. All rights reserved.

#include "base/task/post_task.h"

#include "base/logging.h"
#include "base/task/task_scheduler/task_scheduler.h"
#include "base/threading/post_task_and_reply_impl.h"

namespace base {
namespace {

TaskScheduler* GetSchedulerOrCrash() {
  TaskScheduler* scheduler = TaskScheduler::GetInstance();
  CHECK(scheduler) << "posting to the task scheduler before TaskScheduler::Create";
  return scheduler;
}

class PostTaskAndReplyWithTraitsImpl : public internal::PostTaskAndReplyImpl {
 public:
  explicit PostTaskAndReplyWithTraitsImpl(const TaskTraits& traits) : traits_(traits) {}

 private:
  bool PostTask(const Location& from_here, OnceClosure task) override {
    return PostTaskWithTraits(from_here, traits_, std::move(task));
  }

  const TaskTraits traits_;
};

}  // namespace

bool PostTask(const Location& from_here, OnceClosure task) {
  return PostDelayedTask(from_here, std::move(task), TimeDelta());
}

bool PostDelayedTask(const Location& from_here, OnceClosure task, TimeDelta delay) {
  return PostDelayedTaskWithTraits(from_here, TaskTraits(), std::move(task), delay);
}

bool PostTaskAndReply(const Location& from_here, OnceClosure task, OnceClosure reply) {
  return PostTaskAndReplyWithTraits(from_here, TaskTraits(), std::move(task), std::move(reply));
}

bool PostTaskWithTraits(const Location& from_here, const TaskTraits& traits, OnceClosure task) {
  return PostDelayedTaskWithTraits(from_here, traits, std::move(task), TimeDelta());
}

bool PostDelayedTaskWithTraits(const Location& from_here,
                               const TaskTraits& traits,
                               OnceClosure task,
                               TimeDelta delay) {
  return GetSchedulerOrCrash()->PostDelayedTaskWithTraits(from_here, traits, std::move(task),
                                                          delay);
}

bool PostTaskAndReplyWithTraits(const Location& from_here,
                                const TaskTraits& traits,
                                OnceClosure task,
                                OnceClosure reply) {
  return PostTaskAndReplyWithTraitsImpl(traits).PostTaskAndReply(from_here, std::move(task),
                                                                 std::move(reply));
}

scoped_refptr<SequencedTaskRunner> CreateSequencedTaskRunnerWithTraits(const TaskTraits& traits) {
  return GetSchedulerOrCrash()->CreateSequencedTaskRunnerWithTraits(traits);
}

}  // namespace base
