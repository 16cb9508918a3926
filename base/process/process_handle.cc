// Copyright 2026 Velta Software. All rights reserved.

#include "base/process/process_handle.h"

#include <windows.h>

namespace base {

ProcessId GetCurrentProcId() {
  return ::GetCurrentProcessId();
}

ProcessHandle GetCurrentProcessHandle() {
  return ::GetCurrentProcess();
}

ProcessId GetProcId(ProcessHandle process) {
  return ::GetProcessId(process);
}

}  // namespace base
