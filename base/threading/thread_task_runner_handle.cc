// Copyright 2026 Velta Software. All rights reserved.

#include "base/threading/thread_task_runner_handle.h"

#include <utility>

#include "base/logging.h"

namespace base {
namespace {

thread_local ThreadTaskRunnerHandle* t_thread_handle = nullptr;

}  // namespace

const scoped_refptr<SingleThreadTaskRunner>& ThreadTaskRunnerHandle::Get() {
  CHECK(t_thread_handle) << "no ThreadTaskRunnerHandle on this thread: it has no message loop";
  return t_thread_handle->task_runner_;
}

bool ThreadTaskRunnerHandle::IsSet() {
  return t_thread_handle != nullptr;
}

ThreadTaskRunnerHandle::ThreadTaskRunnerHandle(scoped_refptr<SingleThreadTaskRunner> task_runner)
    : task_runner_(std::move(task_runner)), previous_(t_thread_handle) {
  DCHECK(task_runner_);
  DCHECK(task_runner_->BelongsToCurrentThread());
  t_thread_handle = this;
}

ThreadTaskRunnerHandle::~ThreadTaskRunnerHandle() {
  DCHECK_EQ(this, t_thread_handle) << "ThreadTaskRunnerHandles must nest";
  t_thread_handle = previous_;
}

}  // namespace base
