// Copyright 2026 Velta Software. All rights reserved.

#include "base/task/task_scheduler/task_scheduler_impl.h"

#include <algorithm>
#include <utility>

#include "base/bind.h"
#include "base/logging.h"
#include "base/sequence_token.h"

namespace base::internal {
namespace {

constexpr const char* kPoolLabels[] = {"Background", "BackgroundBlocking", "Foreground",
                                       "ForegroundBlocking"};

// The runner of one sequence of the scheduler.
class SchedulerSequencedTaskRunner : public SequencedTaskRunner {
 public:
  SchedulerSequencedTaskRunner(const TaskTraits& traits, TaskSchedulerImpl* scheduler)
      : traits_(traits), sequence_(MakeRefCounted<Sequence>(traits)), scheduler_(scheduler) {}

  bool PostDelayedTask(const Location& from_here, OnceClosure task, TimeDelta delay) override {
    Task scheduler_task(from_here, std::move(task), traits_);
    scheduler_task.sequenced_task_runner_ref = this;
    return scheduler_->PostTaskToSequence(std::move(scheduler_task), sequence_, delay);
  }

  bool RunsTasksInCurrentSequence() const override {
    return SequenceToken::GetForCurrentThread() == sequence_->token();
  }

 private:
  ~SchedulerSequencedTaskRunner() override = default;

  const TaskTraits traits_;
  const scoped_refptr<Sequence> sequence_;
  // The scheduler outlives every task runner it made (it is never destroyed
  // while threads run).
  TaskSchedulerImpl* const scheduler_;
};

}  // namespace

TaskSchedulerImpl::TaskSchedulerImpl(const std::string& name)
    : service_thread_("TaskSchedulerServiceThread") {
  for (int i = 0; i < kNumPools; ++i) {
    pools_[i] = std::make_unique<SchedulerWorkerPool>(
        "TaskScheduler" + name + kPoolLabels[i] + "Worker", &task_tracker_);
  }
}

TaskSchedulerImpl::~TaskSchedulerImpl() {
  // The pools CHECK that their threads were joined.
  AutoLock lock(lock_);
  DCHECK(joined_ || !started_) << "join the task scheduler before deleting it";
}

void TaskSchedulerImpl::Start(const InitParams& init_params, SchedulerWorkerObserver* observer) {
  std::vector<EarlyDelayedTask> early;
  {
    AutoLock lock(lock_);
    DCHECK(!started_) << "task scheduler started twice";
    if (joined_)
      return;
    if (!service_thread_.Start())
      LOG(ERROR) << "Cannot start the task scheduler's service thread";
    started_ = true;
    early.swap(early_delayed_tasks_);
  }
  pools_[kBackground]->Start(init_params.background_worker_pool_params, observer);
  pools_[kBackgroundBlocking]->Start(init_params.background_blocking_worker_pool_params, observer);
  pools_[kForeground]->Start(init_params.foreground_worker_pool_params, observer);
  pools_[kForegroundBlocking]->Start(init_params.foreground_blocking_worker_pool_params, observer);
  const TimeTicks now = TimeTicks::Now();
  for (EarlyDelayedTask& delayed : early) {
    PostDelayedTaskToServiceThread(std::move(delayed.task), std::move(delayed.sequence),
                                   std::max(delayed.due_time - now, TimeDelta()));
  }
}

void TaskSchedulerImpl::Shutdown() {
  bool started;
  {
    AutoLock lock(lock_);
    started = started_;
  }
  if (!started) {
    // Without workers nothing could run and waiting would never end: the
    // scheduler is joined instead, dropping what was posted.
    LOG(WARNING) << "Task scheduler shut down before it started; its tasks are dropped";
    ShutdownAndJoin();
    return;
  }
  task_tracker_.Shutdown();
}

void TaskSchedulerImpl::FlushForTesting() {
  task_tracker_.FlushForTesting();
}

void TaskSchedulerImpl::ShutdownAndJoin() {
  bool started;
  std::vector<EarlyDelayedTask> early;
  {
    AutoLock lock(lock_);
    if (joined_)
      return;
    joined_ = true;
    started = started_;
    early.swap(early_delayed_tasks_);
  }
  // BLOCK_SHUTDOWN tasks run before the threads go (see the header).
  if (started)
    task_tracker_.Shutdown();
  service_thread_.Stop();
  for (auto& pool : pools_)
    pool->Join();
  // Never started: the pools dropped every task, so this no longer waits.
  task_tracker_.Shutdown();
}

TaskSchedulerImpl::PoolIndex TaskSchedulerImpl::GetPoolIndex(const TaskTraits& traits) {
  const bool blocking = traits.may_block() || traits.with_base_sync_primitives();
  if (traits.priority() == TaskPriority::BACKGROUND)
    return blocking ? kBackgroundBlocking : kBackground;
  return blocking ? kForegroundBlocking : kForeground;
}

bool TaskSchedulerImpl::PostDelayedTaskWithTraits(const Location& from_here,
                                                  const TaskTraits& traits,
                                                  OnceClosure task,
                                                  TimeDelta delay) {
  // A task posted on its own is a sequence of its own.
  return PostTaskToSequence(Task(from_here, std::move(task), traits),
                            MakeRefCounted<Sequence>(traits), delay);
}

scoped_refptr<SequencedTaskRunner> TaskSchedulerImpl::CreateSequencedTaskRunnerWithTraits(
    const TaskTraits& traits) {
  return MakeRefCounted<SchedulerSequencedTaskRunner>(traits, this);
}

bool TaskSchedulerImpl::PostTaskToSequence(Task task,
                                           scoped_refptr<Sequence> sequence,
                                           TimeDelta delay) {
  DCHECK(task.task) << "posting a null task from " << task.posted_from.ToString();
  if (delay > TimeDelta()) {
    // A delayed task cannot hold shutdown back: it might never come due.
    if (task.traits.shutdown_behavior() == TaskShutdownBehavior::BLOCK_SHUTDOWN) {
      task.traits = TaskTraits::Override(task.traits, {TaskShutdownBehavior::SKIP_ON_SHUTDOWN});
    }
    if (!task_tracker_.WillPostDelayedTask())
      return false;
    PostDelayedTaskToServiceThread(std::move(task), std::move(sequence), delay);
    return true;
  }
  if (!task_tracker_.WillPostTask(task.traits.shutdown_behavior()))
    return false;
  ScheduleTask(std::move(task), std::move(sequence));
  return true;
}

void TaskSchedulerImpl::ScheduleTask(Task task, scoped_refptr<Sequence> sequence) {
  task.sequence_num = next_sequence_num_.fetch_add(1, std::memory_order_relaxed);
  // The sequence's traits choose the pool, so all its tasks share one.
  pools_[GetPoolIndex(sequence->traits())]->PostTask(std::move(task), std::move(sequence));
}

void TaskSchedulerImpl::PostDelayedTaskToServiceThread(Task task,
                                                       scoped_refptr<Sequence> sequence,
                                                       TimeDelta delay) {
  {
    AutoLock lock(lock_);
    if (!started_ && !joined_) {
      early_delayed_tasks_.push_back(
          {std::move(task), std::move(sequence), TimeTicks::Now() + delay});
      return;
    }
  }
  scoped_refptr<SingleThreadTaskRunner> service = service_thread_.task_runner();
  if (!service)
    return;  // joined: the task is dropped
  service->PostDelayedTask(
      task.posted_from,
      BindOnce(
          [](TaskSchedulerImpl* scheduler, Task task, scoped_refptr<Sequence> sequence) {
            if (!scheduler->task_tracker_.WillPostTask(task.traits.shutdown_behavior()))
              return;
            scheduler->ScheduleTask(std::move(task), std::move(sequence));
          },
          Unretained(this), std::move(task), std::move(sequence)),
      delay);
}

size_t TaskSchedulerImpl::NumberOfWorkersForTesting(const TaskTraits& traits) const {
  return pools_[GetPoolIndex(traits)]->NumberOfWorkersForTesting();
}

}  // namespace base::internal
