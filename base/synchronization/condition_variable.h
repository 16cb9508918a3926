// Copyright 2026 Velta Software. All rights reserved.

#ifndef BASE_SYNCHRONIZATION_CONDITION_VARIABLE_H_
#define BASE_SYNCHRONIZATION_CONDITION_VARIABLE_H_

namespace base {

class Lock;
class TimeDelta;

// Lets a thread that holds a Lock sleep until another thread changes the state
// the lock guards and says so. A Win32 CONDITION_VARIABLE slept on with
// SleepConditionVariableSRW, which releases and retakes the Lock's SRWLOCK.
//
// A wait may also end with no Signal() at all, so waiters loop on their
// condition:
//
//   AutoLock lock(lock_);
//   while (queue_.empty())
//     queue_changed_.Wait();
//
// Any thread may signal, with or without the lock; waiters hold it. The Lock
// must outlive the condition variable, and no thread may still wait when it
// is destroyed.
class ConditionVariable {
 public:
  explicit ConditionVariable(Lock* user_lock);
  ConditionVariable(const ConditionVariable&) = delete;
  ConditionVariable& operator=(const ConditionVariable&) = delete;
  ~ConditionVariable();

  // Releases the lock, which the calling thread holds, sleeps until woken and
  // takes the lock again before returning.
  void Wait();
  // As Wait(), and returns at the latest once `max_time` has passed (rounded
  // up to whole milliseconds); TimeDelta::Max() waits as long as Wait().
  void TimedWait(const TimeDelta& max_time);

  // Wakes every waiting thread.
  void Broadcast();
  // Wakes one waiting thread, if any waits.
  void Signal();

 private:
  // The CONDITION_VARIABLE, kept as its one pointer-sized field so that this
  // header needs no <windows.h>.
  void* native_condition_ = nullptr;
  Lock* const user_lock_;
};

}  // namespace base

#endif  // BASE_SYNCHRONIZATION_CONDITION_VARIABLE_H_
