// Copyright 2026 Velta Software. All rights reserved.

#include "base/threading/sequenced_task_runner_handle.h"

#include <utility>

#include "base/logging.h"
#include "base/threading/thread_task_runner_handle.h"

namespace base {
namespace {

thread_local SequencedTaskRunnerHandle* t_sequenced_handle = nullptr;

}  // namespace

scoped_refptr<SequencedTaskRunner> SequencedTaskRunnerHandle::Get() {
  // A sequenced handle set inside a task wins over the thread's runner.
  if (t_sequenced_handle)
    return t_sequenced_handle->task_runner_;
  CHECK(ThreadTaskRunnerHandle::IsSet()) << "no task runner for the current sequence";
  return ThreadTaskRunnerHandle::Get();
}

bool SequencedTaskRunnerHandle::IsSet() {
  return t_sequenced_handle || ThreadTaskRunnerHandle::IsSet();
}

SequencedTaskRunnerHandle::SequencedTaskRunnerHandle(scoped_refptr<SequencedTaskRunner> task_runner)
    : task_runner_(std::move(task_runner)), previous_(t_sequenced_handle) {
  DCHECK(task_runner_);
  DCHECK(task_runner_->RunsTasksInCurrentSequence());
  t_sequenced_handle = this;
}

SequencedTaskRunnerHandle::~SequencedTaskRunnerHandle() {
  DCHECK_EQ(this, t_sequenced_handle) << "SequencedTaskRunnerHandles must nest";
  t_sequenced_handle = previous_;
}

}  // namespace base
