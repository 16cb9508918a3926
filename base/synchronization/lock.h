// Copyright 2026 Velta Software. All rights reserved.

#ifndef BASE_SYNCHRONIZATION_LOCK_H_
#define BASE_SYNCHRONIZATION_LOCK_H_

#include <atomic>

#include "base/dcheck_is_on.h"

namespace base {

class ConditionVariable;

// A plain, non-recursive mutual-exclusion lock: a Win32 slim reader/writer
// lock, always taken exclusively. Hold it for a few instructions, never across
// a call that can block for long. ConditionVariable waits on it.
//
// Construction is constant and destruction does nothing, so a Lock may be a
// global or a function-local static without ordering worries.
//
// Where DCHECKs are on, the lock records its holder: AssertAcquired() checks
// that the calling thread holds it, and taking it again on the thread that
// holds it fails a DCHECK instead of hanging.
class Lock {
 public:
  constexpr Lock() = default;
  Lock(const Lock&) = delete;
  Lock& operator=(const Lock&) = delete;
  ~Lock() = default;

  void Acquire();
  void Release();
  // Takes the lock if it is free; never waits.
  bool Try();

#if DCHECK_IS_ON()
  void AssertAcquired() const;
#else
  void AssertAcquired() const {}
#endif

 private:
  friend class ConditionVariable;

  // Around each change of holder: a ConditionVariable's wait releases and
  // takes the lock without Acquire() and Release().
  void CheckHeldAndUnmark();
  void CheckUnheldAndMark();

  // The SRWLOCK, kept as its one pointer-sized field so that this header needs
  // no <windows.h>; lock.cc checks that the two agree.
  void* native_lock_ = nullptr;
#if DCHECK_IS_ON()
  // The Windows id of the holding thread; 0 while free.
  std::atomic<unsigned long> owning_thread_id_{0};
#endif
};

// Holds a lock for its scope.
class AutoLock {
 public:
  explicit AutoLock(Lock& lock) : lock_(lock) { lock_.Acquire(); }
  AutoLock(const AutoLock&) = delete;
  AutoLock& operator=(const AutoLock&) = delete;
  ~AutoLock() { lock_.Release(); }

 private:
  Lock& lock_;
};

// Releases a held lock for its scope.
class AutoUnlock {
 public:
  explicit AutoUnlock(Lock& lock) : lock_(lock) {
    lock_.AssertAcquired();
    lock_.Release();
  }
  AutoUnlock(const AutoUnlock&) = delete;
  AutoUnlock& operator=(const AutoUnlock&) = delete;
  ~AutoUnlock() { lock_.Acquire(); }

 private:
  Lock& lock_;
};

}  // namespace base

#endif  // BASE_SYNCHRONIZATION_LOCK_H_
