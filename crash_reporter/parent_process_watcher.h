// Copyright 2026 Velta Software. All rights reserved.

#ifndef CRASH_REPORTER_PARENT_PROCESS_WATCHER_H_
#define CRASH_REPORTER_PARENT_PROCESS_WATCHER_H_

#include <stdint.h>

#include <atomic>

#include "base/win/scoped_handle.h"

namespace velta {

class PendingWorkCounter;

// Holds one count of a pending-work counter until the watched process ends
// (released on a system thread-pool thread) or the watcher is destroyed,
// whichever comes first; the count is released exactly once. The destructor
// waits for a callback that is already running, so the callback never
// touches a destroyed watcher. `counter` must outlive the watcher.
class ParentProcessWatcher {
 public:
  explicit ParentProcessWatcher(PendingWorkCounter* counter);
  ParentProcessWatcher(const ParentProcessWatcher&) = delete;
  ParentProcessWatcher& operator=(const ParentProcessWatcher&) = delete;
  ~ParentProcessWatcher();

  // False when the process cannot be opened for waiting or the wait cannot be
  // registered (then the count stays held until the destructor).
  bool Start(uint32_t process_id);

 private:
  static void __stdcall OnProcessEnded(void* context, unsigned char timed_out);
  void Release();

  PendingWorkCounter* const counter_;
  std::atomic<int32_t> armed_{0};
  base::win::ScopedHandle process_;
  void* wait_handle_ = nullptr;
};

}  // namespace velta

#endif  // CRASH_REPORTER_PARENT_PROCESS_WATCHER_H_
