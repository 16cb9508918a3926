// Copyright 2026 Velta Software. All rights reserved.

#include "crash_reporter/parent_process_watcher.h"

#include <windows.h>

#include "crash_reporter/pending_work_counter.h"

namespace velta {

ParentProcessWatcher::ParentProcessWatcher(PendingWorkCounter* counter) : counter_(counter) {}

ParentProcessWatcher::~ParentProcessWatcher() {
  Release();
  if (wait_handle_) {
    // INVALID_HANDLE_VALUE: return only once a running callback has finished,
    // since it reads this object.
    ::UnregisterWaitEx(wait_handle_, INVALID_HANDLE_VALUE);
  }
}

bool ParentProcessWatcher::Start(uint32_t process_id) {
  process_.Set(::OpenProcess(SYNCHRONIZE, FALSE, process_id));
  if (!process_.IsValid())
    return false;
  counter_->Increment();
  armed_.store(1);
  HANDLE wait = nullptr;
  if (!::RegisterWaitForSingleObject(&wait, process_.Get(), &ParentProcessWatcher::OnProcessEnded,
                                     this, INFINITE, WT_EXECUTEONLYONCE)) {
    return false;
  }
  wait_handle_ = wait;
  return true;
}

// static
void __stdcall ParentProcessWatcher::OnProcessEnded(void* context, unsigned char /*timed_out*/) {
  static_cast<ParentProcessWatcher*>(context)->Release();
}

void ParentProcessWatcher::Release() {
  int32_t expected = 1;
  if (armed_.compare_exchange_strong(expected, 0))
    counter_->Decrement();
}

}  // namespace velta
