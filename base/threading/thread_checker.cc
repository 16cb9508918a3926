// Copyright 2026 Velta Software. All rights reserved.

#include "base/threading/thread_checker.h"

namespace base {

ThreadChecker::ThreadChecker() : thread_id_(PlatformThread::CurrentId()) {}

bool ThreadChecker::CalledOnValidThread() const {
  AutoLock auto_lock(lock_);
  const PlatformThreadId current = PlatformThread::CurrentId();
  if (thread_id_ == kInvalidThreadId)
    thread_id_ = current;
  return thread_id_ == current;
}

void ThreadChecker::DetachFromThread() {
  AutoLock auto_lock(lock_);
  thread_id_ = kInvalidThreadId;
}

}  // namespace base
