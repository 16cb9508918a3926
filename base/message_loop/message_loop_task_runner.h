// Copyright 2026 Velta Software. All rights reserved.

#ifndef BASE_MESSAGE_LOOP_MESSAGE_LOOP_TASK_RUNNER_H_
#define BASE_MESSAGE_LOOP_MESSAGE_LOOP_TASK_RUNNER_H_

#include <deque>

#include "base/pending_task.h"
#include "base/single_thread_task_runner.h"
#include "base/synchronization/lock.h"
#include "base/threading/platform_thread.h"

namespace base {

class MessagePump;

namespace internal {

// The task runner of a MessageLoop and its incoming queue: any thread posts
// here, the loop's thread takes the tasks in batches. Lives as long as its
// last holder; once the loop is gone it refuses tasks.
class MessageLoopTaskRunner : public SingleThreadTaskRunner {
 public:
  MessageLoopTaskRunner();

  bool PostDelayedTask(const Location& from_here, OnceClosure task, TimeDelta delay) override;
  bool RunsTasksInCurrentSequence() const override;

  // On the loop's thread: from now on tasks wake `pump`.
  void BindToCurrentThread(MessagePump* pump);
  // Moves every incoming task into `work_queue` (which must be empty).
  void TakeIncomingTasks(std::deque<PendingTask>* work_queue);
  // Refuses further tasks; the loop is being destroyed.
  void Shutdown();

 private:
  ~MessageLoopTaskRunner() override;

  mutable Lock lock_;
  std::deque<PendingTask> incoming_queue_;
  MessagePump* pump_ = nullptr;
  PlatformThreadId thread_id_ = kInvalidThreadId;
  int next_sequence_num_ = 0;
  bool accepts_tasks_ = true;
};

}  // namespace internal
}  // namespace base

#endif  // BASE_MESSAGE_LOOP_MESSAGE_LOOP_TASK_RUNNER_H_
