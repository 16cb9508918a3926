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

// The reporter's init event and pipe: the base name and the process id.
inline constexpr wchar_t kCrashReporterInitEventPrefix[] = L"VeltaCrashReporterInitEvent";
inline constexpr wchar_t kCrashReporterPipePrefix[] = L"\\\\.\\pipe\\VeltaCrashReporter";

}  // namespace velta

#endif  // CRASH_REPORTER_CRASH_ROLE_SWITCHES_H_
