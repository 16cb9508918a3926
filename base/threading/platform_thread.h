// Copyright 2026 Velta Software. All rights reserved.

#ifndef BASE_THREADING_PLATFORM_THREAD_H_
#define BASE_THREADING_PLATFORM_THREAD_H_

#include <stddef.h>

#include <string>

#include "base/time/time.h"

namespace base {

// A Windows thread id (DWORD).
using PlatformThreadId = unsigned long;
constexpr PlatformThreadId kInvalidThreadId = 0;

// An owned thread handle (a Win32 HANDLE), for Join().
class PlatformThreadHandle {
 public:
  PlatformThreadHandle() = default;
  explicit PlatformThreadHandle(void* handle) : handle_(handle) {}

  bool is_null() const { return handle_ == nullptr; }
  void* platform_handle() const { return handle_; }

 private:
  void* handle_ = nullptr;
};

// Static helpers over the operating system's threads.
class PlatformThread {
 public:
  // What a new thread runs.
  class Delegate {
   public:
    virtual void ThreadMain() = 0;

   protected:
    virtual ~Delegate() = default;
  };

  PlatformThread() = delete;

  static PlatformThreadId CurrentId();
  // Blocks the calling thread. Never use it to wait for another thread's
  // work: wait on an event instead.
  static void Sleep(TimeDelta duration);
  static void YieldCurrentThread();

  // Names the calling thread: kept for GetName() and given to the system
  // (SetThreadDescription, where available) so debuggers and crash dumps
  // show it.
  static void SetName(const std::string& name);
  // The name given by SetName on this thread; empty if none.
  static const char* GetName();

  // Starts a thread running `delegate->ThreadMain()`. `stack_size` 0 takes
  // the default. On success `thread_handle` must be passed to Join() once.
  static bool Create(size_t stack_size, Delegate* delegate, PlatformThreadHandle* thread_handle);
  // Waits for the thread to end and closes its handle.
  static void Join(PlatformThreadHandle thread_handle);
};

}  // namespace base

#endif  // BASE_THREADING_PLATFORM_THREAD_H_
