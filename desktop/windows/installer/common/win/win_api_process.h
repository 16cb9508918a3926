// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_COMMON_WIN_WIN_API_PROCESS_H_
#define DESKTOP_WINDOWS_INSTALLER_COMMON_WIN_WIN_API_PROCESS_H_

#include <stdint.h>

#include "base/process/process.h"

namespace velta {

// A child process started through WinApi (plainly or elevated). Owns the
// process handle, which it closes when destroyed; the process itself keeps
// running. Virtual so that fakes can answer for a process they did not start.
// Owned by the caller; use on one sequence.
class WinApiProcess {
 public:
  // Takes `process`, which may be invalid (a launch that failed).
  explicit WinApiProcess(base::Process process);
  WinApiProcess(const WinApiProcess&) = delete;
  WinApiProcess& operator=(const WinApiProcess&) = delete;
  virtual ~WinApiProcess();

  // The process handle (a HANDLE), owned by this object; null when invalid.
  virtual void* Handle() const;
  virtual bool IsValid() const;
  // Blocks until the process ends, without time-out: meant for an elevated
  // copy of the installer, whose end the caller cannot do without. False,
  // with installer error 1 recorded, when the wait fails.
  virtual bool WaitForElevated();
  // Blocks until the process waits for input with no input pending (its
  // first window is up); true when that happened.
  virtual bool WaitForInputIdle();
  // The process's exit code as an installer result (a result the child
  // passed, 13 for a plain failure, 15 when unknown or still running).
  virtual uint32_t GetExitCode() const;

 private:
  base::Process process_;
};

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_COMMON_WIN_WIN_API_PROCESS_H_
