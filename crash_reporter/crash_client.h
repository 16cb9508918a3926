// Copyright 2026 Velta Software. All rights reserved.

#ifndef CRASH_REPORTER_CRASH_CLIENT_H_
#define CRASH_REPORTER_CRASH_CLIENT_H_

#include <stddef.h>
#include <stdint.h>

#include <string>

namespace velta {

struct CrashKeyEntry;

// The client side of the own crash reporter: connects to the reporter's pipe,
// registers what the reporter reads out of this process at dump time, and
// installs the process's unhandled-exception filter. On a crash the first
// crashing thread asks for a dump and waits until it is written or the
// reporter has ended (at most kDumpWaitMs), then ends the process with the
// exception code; later crashing threads sleep for good.
//
// False, leaving the process without crash reporting, when the pipe cannot
// be reached or the reporter does not answer the registration. At most once
// per process. `entries` must stay at its address for the process's life.
// `crash_info` is the address of this module's crash-info block for a crash
// handler, null for the own reporter.
bool ConnectCrashClient(const std::wstring& pipe_name, uint32_t reporter_process_id,
                        const CrashKeyEntry* entries, size_t entry_count,
                        const void* crash_info = nullptr);

// How long a crashing client waits for its dump.
inline constexpr uint32_t kDumpWaitMs = 60000;

}  // namespace velta

#endif  // CRASH_REPORTER_CRASH_CLIENT_H_
