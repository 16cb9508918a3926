// Copyright 2026 Velta Software. All rights reserved.

#ifndef BASE_PROCESS_PROCESS_HANDLE_H_
#define BASE_PROCESS_PROCESS_HANDLE_H_

#include <stdint.h>

namespace base {

// A process HANDLE and a process id, spelled without <windows.h>.
using ProcessHandle = void*;
using ProcessId = unsigned long;

inline constexpr ProcessHandle kNullProcessHandle = nullptr;
inline constexpr ProcessId kNullProcessId = 0;

// This process's id.
ProcessId GetCurrentProcId();

// The pseudo-handle of this process: valid only inside it, never closed.
ProcessHandle GetCurrentProcessHandle();

// The id of the process `process`, or 0 when the handle lacks
// PROCESS_QUERY_(LIMITED_)INFORMATION access.
ProcessId GetProcId(ProcessHandle process);

}  // namespace base

#endif  // BASE_PROCESS_PROCESS_HANDLE_H_
