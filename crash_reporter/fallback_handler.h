// Copyright 2026 Velta Software. All rights reserved.

#ifndef CRASH_REPORTER_FALLBACK_HANDLER_H_
#define CRASH_REPORTER_FALLBACK_HANDLER_H_

#include <stdint.h>

namespace base {
class CommandLine;
}

namespace velta {

// The last resort of the crash roles: a crash reporter that crashes itself
// starts a fallback handler (a third process of the same executable, with
// `crash-reporter-exception-info` and `crash-reporter-parent-id`), which dumps
// and uploads the reporter's crash, at most once in 3 days.

// Once per process: the unhandled-exception filter and the C runtime's
// invalid-parameter and pure-call handlers, each of which starts the
// fallback handler. Before PrepareFallbackHandling the filter only lets the
// process end and the two handlers exit(0).
void InstallFallbackExceptionHandlers();

// Once per process: the exception event that the fallback handler sets when
// it is done, and the fallback handler's command line.
void PrepareFallbackHandling();

// The same for the crash handler: its fallback is `type=fallback-handler`
// with an inherited handle of the handler (`process`), its exception block's
// address (`exception-info`) and the handler's report folder and address.
void PrepareCrashpadFallbackHandling(const base::CommandLine& handler_command_line);

// The fallback handler's role. 1 for invalid switches or a dump that cannot
// be written; 0 otherwise (also when the pause of 3 days holds).
uint32_t RunFallbackHandlerProcess(const base::CommandLine& command_line);

// Sets "VeltaCrashReporterException<id>", which the crashed reporter waits
// for (or for its fallback handler's end; 5 minutes at most) before it ends.
void SignalFallbackDone(uint32_t process_id);

// Whole days since the last uploaded crash of a crash reporter (value "Last
// crash in crash reporter" under the company key of HKCU; written as 0 when
// missing). False when the value cannot be had or lies in the future.
bool GetDaysSinceLastReporterCrash(uint64_t* days);
// Stores the current time as that value; the registry result.
long SetLastReporterCrashTime();

}  // namespace velta

#endif  // CRASH_REPORTER_FALLBACK_HANDLER_H_
