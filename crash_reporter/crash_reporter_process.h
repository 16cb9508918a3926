// Copyright 2026 Velta Software. All rights reserved.

#ifndef CRASH_REPORTER_CRASH_REPORTER_PROCESS_H_
#define CRASH_REPORTER_CRASH_REPORTER_PROCESS_H_

#include <stdint.h>

namespace base {
class CommandLine;
}

namespace velta {

// Exit codes of the crash reporter role, seen by the client that started it.
enum CrashReporterExitCode : uint32_t {
  kCrashReporterServed = 0,
  kCrashReporterFailed = 1,
  kCrashReportingDisabled = 2,
  kCrashReporterUseCrashHandler = 3,
};

// The crash reporter role (started by a client with
// `crash-reporter-parent-id`): serves the parent's crashes on its pipe until
// the parent has ended and every dump and upload has finished.
uint32_t RunCrashReporterProcess(const base::CommandLine& command_line);

// The crash roles' log: "velta_crashreporter.log" in the temporary folder,
// started anew by each process; the system debug log when there is no room.
void InitCrashReporterLogging();

}  // namespace velta

#endif  // CRASH_REPORTER_CRASH_REPORTER_PROCESS_H_
