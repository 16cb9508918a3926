// Copyright 2026 Velta Software. All rights reserved.

#ifndef BASE_PROCESS_PROCESS_H_
#define BASE_PROCESS_PROCESS_H_

#include "base/process/process_handle.h"
#include "base/time/time.h"
#include "base/win/scoped_handle.h"

namespace base {

// Owns a handle to a process (or stands for the current process) and waits
// for, ends or inspects it. Move-only; the handle is closed on destruction,
// which does not end the process. Methods may be called from any thread, but
// one object is not to be used by two threads at once.
//
// Exit codes are ints holding the full 32-bit Windows code: 1603 is 1603, and
// an access violation reads as static_cast<int>(0xC0000005).
class Process {
 public:
  // No process.
  Process();
  // Takes ownership of `handle` (a real handle, not the pseudo-handle).
  explicit Process(ProcessHandle handle);
  Process(Process&& other) noexcept;
  Process& operator=(Process&& other) noexcept;
  Process(const Process&) = delete;
  Process& operator=(const Process&) = delete;
  ~Process();

  // This process, through its pseudo-handle (nothing to close).
  static Process Current();
  // Opens process `pid` with the rights needed to wait for it, read its exit
  // code and terminate it. An invalid Process when that fails.
  static Process Open(ProcessId pid);
  // Opens `pid` with exactly `desired_access`.
  static Process OpenWithAccess(ProcessId pid, unsigned long desired_access);

  bool IsValid() const;
  // The handle (still owned by this object), or null.
  ProcessHandle Handle() const;
  // A second, independently owned handle to the same process (the current
  // process gives Current() again). Invalid when duplicating fails.
  Process Duplicate() const;
  // Gives up ownership of the handle without closing it.
  [[nodiscard]] ProcessHandle Release();
  bool is_current() const { return is_current_process_; }

  // The process id, or 0 when there is no process.
  ProcessId Pid() const;

  // Closes the handle; the process keeps running. Safe to call twice.
  void Close();

  // Ends the process with `exit_code`; with `wait`, waits up to a minute
  // until it is gone. True when TerminateProcess succeeded (or the process
  // had already exited).
  bool Terminate(int exit_code, bool wait) const;

  // Waits without a time-out. See WaitForExitWithTimeout.
  bool WaitForExit(int* exit_code) const;
  // Waits up to `timeout` (TimeDelta::Max(): no limit). True when the process
  // has exited; `exit_code` (may be null) then receives its exit code. False
  // on time-out or failure, leaving `exit_code` alone. A handle without query
  // access can wait (null `exit_code`) but not read the code.
  bool WaitForExitWithTimeout(TimeDelta timeout, int* exit_code) const;

 private:
  win::ScopedHandle process_;
  bool is_current_process_ = false;
};

}  // namespace base

#endif  // BASE_PROCESS_PROCESS_H_
