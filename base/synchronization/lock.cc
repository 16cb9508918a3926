// Copyright 2026 Velta Software. All rights reserved.

#include "base/synchronization/lock.h"

#include <windows.h>

#include "base/logging.h"

namespace base {
namespace {

static_assert(sizeof(SRWLOCK) == sizeof(void*) && alignof(SRWLOCK) <= alignof(void*),
              "Lock keeps the SRWLOCK in a pointer-sized field");
static_assert(SRWLOCK{SRWLOCK_INIT}.Ptr == nullptr, "a null field is an unlocked SRWLOCK");

SRWLOCK* NativeLock(void** field) {
  return reinterpret_cast<SRWLOCK*>(field);
}

}  // namespace

void Lock::Acquire() {
#if DCHECK_IS_ON()
  DCHECK_NE(owning_thread_id_.load(std::memory_order_relaxed), ::GetCurrentThreadId())
      << "Lock taken again by the thread that holds it";
#endif
  ::AcquireSRWLockExclusive(NativeLock(&native_lock_));
  CheckUnheldAndMark();
}

void Lock::Release() {
  CheckHeldAndUnmark();
  ::ReleaseSRWLockExclusive(NativeLock(&native_lock_));
}

bool Lock::Try() {
  if (!::TryAcquireSRWLockExclusive(NativeLock(&native_lock_)))
    return false;
  CheckUnheldAndMark();
  return true;
}

#if DCHECK_IS_ON()

void Lock::AssertAcquired() const {
  DCHECK_EQ(owning_thread_id_.load(std::memory_order_relaxed), ::GetCurrentThreadId())
      << "Lock not held by this thread";
}

void Lock::CheckHeldAndUnmark() {
  AssertAcquired();
  owning_thread_id_.store(0, std::memory_order_relaxed);
}

void Lock::CheckUnheldAndMark() {
  DCHECK_EQ(owning_thread_id_.load(std::memory_order_relaxed), 0ul);
  owning_thread_id_.store(::GetCurrentThreadId(), std::memory_order_relaxed);
}

#else

void Lock::CheckHeldAndUnmark() {}
void Lock::CheckUnheldAndMark() {}

#endif  // DCHECK_IS_ON()

}  // namespace base
