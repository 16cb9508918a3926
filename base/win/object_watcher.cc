// Copyright 2026 Velta Software. All rights reserved.

#include "base/win/object_watcher.h"

#include <windows.h>

#include "base/bind.h"
#include "base/logging.h"
#include "base/threading/sequenced_task_runner_handle.h"

namespace base::win {

// Runs on the system's wait thread.
struct ObjectWatcher::WaitCallback {
  static void CALLBACK DoneWaiting(void* param, BOOLEAN timed_out) {
    DCHECK(!timed_out);
    // StopWatching waits for this function to return before the watcher
    // can go away, so reading its fields here is safe. The posted closure
    // holds a weak pointer: a watch stopped meanwhile ignores it.
    ObjectWatcher* that = static_cast<ObjectWatcher*>(param);
    that->task_runner_->PostTask(FROM_HERE, that->callback_);
  }
};

ObjectWatcher::ObjectWatcher() {
  // Bound to the sequence that first watches.
  DETACH_FROM_SEQUENCE(sequence_checker_);
}

ObjectWatcher::~ObjectWatcher() {
  StopWatching();
}

bool ObjectWatcher::StartWatchingOnce(void* object, Delegate* delegate) {
  return StartWatchingInternal(object, delegate, true);
}

bool ObjectWatcher::StartWatchingMultipleTimes(void* object, Delegate* delegate) {
  return StartWatchingInternal(object, delegate, false);
}

bool ObjectWatcher::StartWatchingInternal(void* object,
                                          Delegate* delegate,
                                          bool execute_only_once) {
  DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_checker_);
  DCHECK(delegate);
  if (wait_object_) {
    LOG(ERROR) << "Already watching an object";
    return false;
  }
  run_once_ = execute_only_once;
  task_runner_ = SequencedTaskRunnerHandle::Get();
  callback_ = BindRepeating(&ObjectWatcher::Signal, weak_factory_.GetWeakPtr(), delegate);
  object_ = object;

  // WT_EXECUTEINWAITTHREAD: the callback only posts a task, it is fine on
  // the wait thread itself and avoids a hand-over to a worker.
  DWORD flags = WT_EXECUTEINWAITTHREAD;
  if (run_once_)
    flags |= WT_EXECUTEONLYONCE;
  HANDLE wait_object = nullptr;
  if (!::RegisterWaitForSingleObject(&wait_object, object, &WaitCallback::DoneWaiting, this,
                                     INFINITE, flags)) {
    const DWORD error = ::GetLastError();
    LOG(ERROR) << "RegisterWaitForSingleObject failed: " << logging::SystemErrorCodeToString(error);
    Reset();
    return false;
  }
  wait_object_ = wait_object;
  return true;
}

bool ObjectWatcher::StopWatching() {
  DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_checker_);
  if (!wait_object_)
    return false;
  // INVALID_HANDLE_VALUE: wait until a running callback has returned, so
  // none touches this object after we return.
  if (!::UnregisterWaitEx(wait_object_, INVALID_HANDLE_VALUE)) {
    const DWORD error = ::GetLastError();
    LOG(ERROR) << "UnregisterWaitEx failed: " << logging::SystemErrorCodeToString(error);
  }
  Reset();
  return true;
}

bool ObjectWatcher::IsWatching() const {
  return object_ != nullptr;
}

void* ObjectWatcher::GetWatchedObject() const {
  return object_;
}

void ObjectWatcher::Signal(Delegate* delegate) {
  // Read before StopWatching forgets it; the delegate may delete us.
  void* object = object_;
  if (run_once_)
    StopWatching();
  delegate->OnObjectSignaled(object);
}

void ObjectWatcher::Reset() {
  object_ = nullptr;
  wait_object_ = nullptr;
  callback_.Reset();
  task_runner_ = nullptr;
  // Notifications already posted must not reach the delegate.
  weak_factory_.InvalidateWeakPtrs();
}

}  // namespace base::win
