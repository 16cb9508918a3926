// Copyright 2026 Velta Software. All rights reserved.

#ifndef BASE_WIN_OBJECT_WATCHER_H_
#define BASE_WIN_OBJECT_WATCHER_H_

#include "base/callback.h"
#include "base/memory/scoped_refptr.h"
#include "base/memory/weak_ptr.h"
#include "base/sequence_checker.h"
#include "base/sequenced_task_runner.h"

namespace base::win {

// Tells a delegate, on the watching sequence, when a kernel object (a
// process, an event, ...) becomes signalled, without blocking that sequence:
//
//   watcher_.StartWatchingOnce(process_handle, this);
//   void OnObjectSignaled(HANDLE object) override { ... }
//
// The wait itself runs on a system thread-pool thread
// (RegisterWaitForSingleObject), which posts the notification to the task
// runner of the sequence that started watching. StopWatching() cancels it:
// after it returns the delegate is not called, even for a signal already on
// its way. Destroying the watcher stops it.
//
// Threading: one sequence, with a task runner (a message loop's thread or
// a sequence of the task scheduler). The handle and the delegate must
// outlive the watch.
class ObjectWatcher {
 public:
  class Delegate {
   public:
    // `object` is the watched handle.
    virtual void OnObjectSignaled(void* object) = 0;

   protected:
    virtual ~Delegate() = default;
  };

  ObjectWatcher();
  ObjectWatcher(const ObjectWatcher&) = delete;
  ObjectWatcher& operator=(const ObjectWatcher&) = delete;
  ~ObjectWatcher();

  // Calls `delegate` once, when `object` is signalled; the watch then ends
  // (IsWatching() is false inside the call). False, logged, when the wait
  // cannot be registered or a watch is running.
  bool StartWatchingOnce(void* object, Delegate* delegate);
  // Calls `delegate` each time `object` is signalled, until stopped. For an
  // event that stays signalled (manual reset) that means again and again.
  bool StartWatchingMultipleTimes(void* object, Delegate* delegate);

  // Ends the watch; true if one was running. Blocks until a notification
  // being made on the wait thread is done.
  bool StopWatching();
  bool IsWatching() const;
  // The watched handle, or null.
  void* GetWatchedObject() const;

 private:
  struct WaitCallback;

  bool StartWatchingInternal(void* object, Delegate* delegate, bool execute_only_once);
  void Signal(Delegate* delegate);
  void Reset();

  // The watched handle and RegisterWaitForSingleObject's wait handle.
  void* object_ = nullptr;
  void* wait_object_ = nullptr;
  bool run_once_ = true;
  // Posted by the wait thread to the watching sequence.
  RepeatingClosure callback_;
  scoped_refptr<SequencedTaskRunner> task_runner_;
  SEQUENCE_CHECKER(sequence_checker_);
  WeakPtrFactory<ObjectWatcher> weak_factory_{this};
};

}  // namespace base::win

#endif  // BASE_WIN_OBJECT_WATCHER_H_
