// Copyright 2026 Velta Software. All rights reserved.

#ifndef CRASH_REPORTER_CRASH_ROLE_SWITCHES_H_
#define CRASH_REPORTER_CRASH_ROLE_SWITCHES_H_

namespace velta {

// The switches of the crash roles, without the leading "--".
inline constexpr char kCrashReporterParentIdSwitch[] = "crash-reporter-parent-id";
inline constexpr char kCrashReporterExceptionInfoSwitch[] = "crash-reporter-exception-info";
inline constexpr char kProcessTypeSwitch[] = "type";
inline constexpr char kCrashpadHandlerType[] = "crashpad-handler";
inline constexpr char kFallbackHandlerType[] = "fallback-handler";
// The process type a crashed crash role is reported and counted under.
inline constexpr char kCrashReporterProcessType[] = "crash_reporter";

// The crash handler's options.
inline constexpr char kHandlerDatabaseSwitch[] = "database";
inline constexpr char kHandlerUrlSwitch[] = "url";
inline constexpr char kHandlerCrashCountFileSwitch[] = "crash-count-file";
inline constexpr char kHandlerInitialClientSwitch[] = "initial-client-pid";
inline constexpr char kHandlerMonitorSelfSwitch[] = "monitor-self";
// Prints the handler's usage and ends.
inline constexpr char kHandlerHelpSwitch[] = "help";
// Marks the second handler that "--monitor-self" starts: its first client is
// that crash handler.
inline constexpr char kHandlerMonitorSwitch[] = "monitoring-handler";

// The crash handler's fallback: the inherited handle of the crashed handler
// and the address of its exception block, both in decimal.
inline constexpr char kFallbackProcessSwitch[] = "process";
inline constexpr char kFallbackExceptionInfoSwitch[] = "exception-info";

// The crash handler's ready event (with its first client's id) and pipe.
inline constexpr wchar_t kCrashHandlerReadyEventPrefix[] = L"VeltaCrashHandlerReady";
inline constexpr wchar_t kCrashHandlerPipePrefix[] = L"\\\\.\\pipe\\VeltaCrashHandler";

// The reporter's init event and pipe: the base name and the process id.
inline constexpr wchar_t kCrashReporterInitEventPrefix[] = L"VeltaCrashReporterInitEvent";
inline constexpr wchar_t kCrashReporterPipePrefix[] = L"\\\\.\\pipe\\VeltaCrashReporter";

}  // namespace velta

#endif  // CRASH_REPORTER_CRASH_ROLE_SWITCHES_H_
