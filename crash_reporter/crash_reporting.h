// Copyright 2026 Velta Software. All rights reserved.

#ifndef CRASH_REPORTER_CRASH_REPORTING_H_
#define CRASH_REPORTER_CRASH_REPORTING_H_

#include <stdint.h>

#include <string>

namespace base {
class CommandLine;
class FilePath;
template <typename T>
class ProcessWide;
}  // namespace base

namespace velta {

// Crash reporting start-up, as every installer process runs it: a process is
// either a crash role (tested first, before any other role) or a client that
// starts its own crash reporter.

// The process-wide crash client: the id of this process's crash reporter, 0
// until LaunchCrashReporter has started one that is ready. Child processes
// get it as `crash-reporter-pid`.
// Process-wide (see base::ProcessWide), made on first use.
class InstallerCrashReporterClient {
 public:
  static InstallerCrashReporterClient* GetInstance();

  uint32_t reporter_process_id() const { return reporter_process_id_; }
  void set_reporter_process_id(uint32_t id) { reporter_process_id_ = id; }
  // The crash handler's id on the crash handler road; 0 otherwise.
  uint32_t handler_process_id() const { return handler_process_id_; }
  void set_handler_process_id(uint32_t id) { handler_process_id_ = id; }

 private:
  friend class base::ProcessWide<InstallerCrashReporterClient>;

  InstallerCrashReporterClient() = default;
  uint32_t reporter_process_id_ = 0;
  uint32_t handler_process_id_ = 0;
};

// `crash-reporter-parent-id`, or `type` = "crashpad-handler".
bool IsCrashReporterProcess(const base::CommandLine& command_line);
// `crash-reporter-exception-info`, or `type` = "fallback-handler".
bool IsFallbackHandlerProcess(const base::CommandLine& command_line);

// When `command_line` asks for a crash role, runs it (fallback role first:
// its command line carries the reporter's switch too) and returns true with
// the role's exit code, which the caller returns unmapped. Called before any
// other role is considered, so that a reporter (which inherits its parent's
// switches) never takes its parent's role.
bool RunCrashRoleIfAsked(const base::CommandLine& command_line, uint32_t* exit_code);

// Clears bit 0x1 of the user-mode exception policy, so exceptions in window
// procedures are not swallowed. Nothing when the system lacks the functions.
void EnableCrashingOnCrashes();

// Starts crash reporting for this process: launches the crash reporter (this
// executable) and connects to it, then sets the initial crash keys. Without a
// reporter the process runs on without crash reporting, unreported.
void InitCrashReporting(const std::string& process_type);

// EnableCrashingOnCrashes, then InitCrashReporting: what every non-crash role
// calls right after RunCrashRoleIfAsked.
void StartCrashReporting(const std::string& process_type);

// What the first client of a crash handler is: an ordinary process, or the
// crash handler that starts its monitor ("--monitor-self").
enum class CrashHandlerClient { kProcess, kCrashHandler };

// Starts the crash handler (`reporter` with `type=crashpad-handler`) for
// this process as its first client, with the report folder, the upload
// address and the crash counter file (none when empty), and waits up to 10 s
// until it is ready. The handler's process id; 0 when it is not ready.
uint32_t LaunchCrashHandler(const base::FilePath& handler, const base::FilePath& database,
                            const std::wstring& url, const base::FilePath& count_file,
                            CrashHandlerClient client);
// Makes this process a client of that handler with its crash-info block.
bool ConnectToCrashHandler(uint32_t handler_id);

// Results of LaunchCrashReporter.
enum class CrashReporterLaunch : int {
  kReady = 0,
  kFailed = 1,
  kDisabled = 2,
  kUseCrashHandler = 3,
};

// Starts `reporter` with this process's switches and arguments and
// `crash-reporter-parent-id`, and waits up to 2000 ms for its init event or
// its end. A reporter still running after the time-out is left running.
CrashReporterLaunch LaunchCrashReporter(const base::FilePath& reporter);

}  // namespace velta

#endif  // CRASH_REPORTER_CRASH_REPORTING_H_
