// Copyright 2026 Velta Software. All rights reserved.

#ifndef BASE_THREADING_THREAD_CHECKER_H_
#define BASE_THREADING_THREAD_CHECKER_H_

#include "base/logging.h"
#include "base/synchronization/lock.h"
#include "base/threading/platform_thread.h"

namespace base {

// Checks in debug builds that an object is used on one thread:
//   DCHECK_CALLED_ON_VALID_THREAD(thread_checker_);
// Bound to the constructing thread, or, after DetachFromThread(), to the
// thread of the next check.
class ThreadChecker {
 public:
  ThreadChecker();
  ThreadChecker(const ThreadChecker&) = delete;
  ThreadChecker& operator=(const ThreadChecker&) = delete;
  ~ThreadChecker() = default;

  bool CalledOnValidThread() const;
  void DetachFromThread();

 private:
  mutable Lock lock_;
  mutable PlatformThreadId thread_id_ = kInvalidThreadId;  // 0: not bound
};

}  // namespace base

#if DCHECK_IS_ON()
#define THREAD_CHECKER(name) ::base::ThreadChecker name
#define DCHECK_CALLED_ON_VALID_THREAD(name) DCHECK((name).CalledOnValidThread())
#define DETACH_FROM_THREAD(name) (name).DetachFromThread()
#else
#define THREAD_CHECKER(name) static_assert(true, "")
#define DCHECK_CALLED_ON_VALID_THREAD(name) DCHECK(true)
#define DETACH_FROM_THREAD(name) static_assert(true, "")
#endif

#endif  // BASE_THREADING_THREAD_CHECKER_H_
