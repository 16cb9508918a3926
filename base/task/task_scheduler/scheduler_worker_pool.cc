// Copyright 2026 Velta Software. All rights reserved.

#include "base/task/task_scheduler/scheduler_worker_pool.h"

#include <objbase.h>
#include <windows.h>

#include <algorithm>
#include <utility>

#include "base/logging.h"
#include "base/task/task_scheduler/scheduler_worker_observer.h"
#include "base/task/task_scheduler/task_tracker.h"
#include "base/threading/platform_thread.h"

namespace base::internal {

// One worker thread of the pool.
class SchedulerWorkerPool::Worker : public PlatformThread::Delegate {
 public:
  explicit Worker(SchedulerWorkerPool* pool) : pool_(pool) {}

  bool Start() { return PlatformThread::Create(0, this, &handle_); }
  void Join() { PlatformThread::Join(handle_); }

 private:
  void ThreadMain() override { pool_->RunWorker(this); }

  SchedulerWorkerPool* const pool_;
  PlatformThreadHandle handle_;
};

SchedulerWorkerPool::SchedulerWorkerPool(std::string thread_name, TaskTracker* task_tracker)
    : thread_name_(std::move(thread_name)), task_tracker_(task_tracker), wake_up_(&lock_) {}

SchedulerWorkerPool::~SchedulerWorkerPool() {
  // A pool destroyed with live threads would be used after free by them.
  AutoLock lock(lock_);
  CHECK(workers_.empty() && exited_workers_.empty())
      << "join the task scheduler before deleting it";
}

void SchedulerWorkerPool::Start(const SchedulerWorkerPoolParams& params,
                                SchedulerWorkerObserver* observer) {
  DCHECK_GE(params.max_tasks(), 1);
  AutoLock lock(lock_);
  DCHECK(!params_) << "pool started twice";
  params_ = params;
  observer_ = observer;
  // Work posted before the start.
  for (size_t i = 0; i < ready_sequences_.size(); ++i)
    WakeUpWorkerLockRequired();
}

void SchedulerWorkerPool::PostTask(Task task, scoped_refptr<Sequence> sequence) {
  std::vector<std::unique_ptr<Worker>> exited;
  {
    AutoLock lock(lock_);
    if (join_requested_) {
      AutoUnlock unlock(lock_);
      task_tracker_->DropTask(std::move(task));
      return;
    }
    sequence->tasks().push_back(std::move(task));
    if (!sequence->scheduled) {
      sequence->scheduled = true;
      ready_sequences_.push_back(std::move(sequence));
      WakeUpWorkerLockRequired();
    }
    // Reclaimed workers have left the pool's state; their threads end
    // without the lock, so they are joined below, outside it.
    exited.swap(exited_workers_);
  }
  for (auto& worker : exited)
    worker->Join();
}

void SchedulerWorkerPool::WakeUpWorkerLockRequired() {
  lock_.AssertAcquired();
  if (!params_ || join_requested_)
    return;  // not started: Start() wakes workers for the waiting work
  if (num_idle_workers_ > 0) {
    wake_up_.Signal();
    return;
  }
  if (workers_.size() >= static_cast<size_t>(params_->max_tasks()))
    return;  // the busy workers take it next
  auto worker = std::make_unique<Worker>(this);
  if (!worker->Start()) {
    // Logged by PlatformThread; the work waits for the next post.
    return;
  }
  workers_.push_back(std::move(worker));
}

bool SchedulerWorkerPool::WaitForWorkLockRequired() {
  lock_.AssertAcquired();
  const auto has_work = [this] { return join_requested_ || !ready_sequences_.empty(); };
  const TimeDelta reclaim_time = params_->suggested_reclaim_time();
  const TimeTicks reclaim_at = reclaim_time.is_max() ? TimeTicks() : TimeTicks::Now() + reclaim_time;
  ++num_idle_workers_;
  while (!has_work()) {
    if (reclaim_time.is_max()) {
      wake_up_.Wait();
      continue;
    }
    const TimeDelta remaining = reclaim_at - TimeTicks::Now();
    if (remaining <= TimeDelta())
      break;
    wake_up_.TimedWait(remaining);
  }
  --num_idle_workers_;
  return has_work();
}

scoped_refptr<Sequence> SchedulerWorkerPool::TakeNextSequenceLockRequired() {
  lock_.AssertAcquired();
  if (ready_sequences_.empty())
    return nullptr;
  // Highest priority first; among equals the one whose next task was
  // posted first.
  auto best =
      std::min_element(ready_sequences_.begin(), ready_sequences_.end(),
                       [](const scoped_refptr<Sequence>& a, const scoped_refptr<Sequence>& b) {
                         if (a->traits().priority() != b->traits().priority())
                           return a->traits().priority() > b->traits().priority();
                         return a->tasks().front().sequence_num < b->tasks().front().sequence_num;
                       });
  scoped_refptr<Sequence> sequence = std::move(*best);
  ready_sequences_.erase(best);
  return sequence;
}

void SchedulerWorkerPool::RunWorker(Worker* worker) {
  PlatformThread::SetName(thread_name_);
  bool com_initialized = false;
  if (params_->backward_compatibility() == SchedulerBackwardCompatibility::INIT_COM_STA) {
    const HRESULT hr = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    com_initialized = SUCCEEDED(hr);
    LOG_IF(ERROR, !com_initialized)
        << "CoInitializeEx failed on " << thread_name_ << ": 0x" << std::hex << hr;
  }
  if (observer_)
    observer_->OnSchedulerWorkerMainEntry();

  {
    AutoLock lock(lock_);
    for (;;) {
      if (join_requested_)
        break;
      scoped_refptr<Sequence> sequence = TakeNextSequenceLockRequired();
      if (!sequence) {
        if (WaitForWorkLockRequired())
          continue;
        // Idle for the reclaim time: this thread ends. The next post joins
        // it and makes a new one when needed.
        auto it = std::find_if(workers_.begin(), workers_.end(),
                               [worker](const auto& w) { return w.get() == worker; });
        exited_workers_.push_back(std::move(*it));
        workers_.erase(it);
        break;
      }
      Task task = std::move(sequence->tasks().front());
      sequence->tasks().pop_front();
      {
        AutoUnlock unlock(lock_);
        task_tracker_->RunOrSkipTask(std::move(task), *sequence);
      }
      if (sequence->tasks().empty()) {
        sequence->scheduled = false;
      } else {
        ready_sequences_.push_back(std::move(sequence));
      }
    }
  }

  if (observer_)
    observer_->OnSchedulerWorkerMainExit();
  if (com_initialized)
    ::CoUninitialize();
}

void SchedulerWorkerPool::Join() {
  std::vector<std::unique_ptr<Worker>> workers;
  std::vector<scoped_refptr<Sequence>> sequences;
  {
    AutoLock lock(lock_);
    join_requested_ = true;
    wake_up_.Broadcast();
    workers.swap(workers_);
    for (auto& worker : exited_workers_)
      workers.push_back(std::move(worker));
    exited_workers_.clear();
  }
  for (auto& worker : workers)
    worker->Join();
  {
    AutoLock lock(lock_);
    sequences.swap(ready_sequences_);
  }
  // Dropped outside the lock: a task's destructor may post.
  for (auto& sequence : sequences) {
    while (!sequence->tasks().empty()) {
      Task task = std::move(sequence->tasks().front());
      sequence->tasks().pop_front();
      task_tracker_->DropTask(std::move(task));
    }
  }
}

size_t SchedulerWorkerPool::NumberOfWorkersForTesting() const {
  AutoLock lock(lock_);
  return workers_.size();
}

}  // namespace base::internal
