// Copyright 2026 Velta Software. All rights reserved.

#ifndef BASE_SYNCHRONIZATION_WAITABLE_EVENT_H_
#define BASE_SYNCHRONIZATION_WAITABLE_EVENT_H_

#include <stddef.h>

#include "base/time/time.h"

namespace base {

// A Win32 event: one thread waits until another signals. With
// ResetPolicy::AUTOMATIC a successful wait resets it (one waiter wakes per
// signal); with MANUAL it stays signalled until Reset(). handle() can be
// given to WaitForMultipleObjects, ObjectWatcher and the like.
//
// Threading: any thread may signal, reset or wait. The object must outlive
// every wait on it.
class WaitableEvent {
 public:
  enum class ResetPolicy { MANUAL, AUTOMATIC };
  enum class InitialState { SIGNALED, NOT_SIGNALED };

  explicit WaitableEvent(ResetPolicy reset_policy = ResetPolicy::MANUAL,
                         InitialState initial_state = InitialState::NOT_SIGNALED);
  WaitableEvent(const WaitableEvent&) = delete;
  WaitableEvent& operator=(const WaitableEvent&) = delete;
  ~WaitableEvent();

  void Reset();
  void Signal();
  // Tests the state without blocking. As with any wait, a true answer resets
  // an automatic-reset event.
  bool IsSignaled();

  void Wait();
  // True when signalled within `wait_delta`; false on time-out. A delta of
  // zero or less only tests the state (and resets an automatic event).
  bool TimedWait(TimeDelta wait_delta);

  // Waits until one of `events` is signalled and returns the lowest index
  // of those signalled. `count` at most 64.
  static size_t WaitMany(WaitableEvent** events, size_t count);

  // The event's HANDLE, owned by this object.
  void* handle() const { return handle_; }

 private:
  void* const handle_;
};

}  // namespace base

#endif  // BASE_SYNCHRONIZATION_WAITABLE_EVENT_H_
