// Copyright 2026 Velta Software. All rights reserved.

#ifndef CRASH_REPORTER_TEST_CRASH_HOOK_H_
#define CRASH_REPORTER_TEST_CRASH_HOOK_H_

#include <string_view>

namespace velta::test {

// Deliberate crashes for the crash-reporting tests. Linked into test
// executables only, never into the shipped library.
//
// VELTA_TEST_CRASH = "<role>:<kind>[,<role>:<kind>...]" asks the process
// playing <role> to crash. The crash roles ("crash_reporter",
// "crashpad_handler", "crashpad_handler_monitor", "fallback_handler") ask
// through the crash-role hook, which linking this target sets. Kinds:
//   worker-access-violation  a write to kTestCrashAddress on a new thread
//   breakpoint               a breakpoint on the calling thread
//   pure-call                a g++ call of a pure virtual function
//   invalid-parameter        an invalid-parameter report of the C runtime:
//                            through the runtime when it can take a handler,
//                            else (Wine's msvcrt) straight to the handler
//                            that crash reporting installed
//   stall                    no crash: the role waits kTestStallSeconds
//                            before it goes on, as a role does whose work
//                            (a dump) takes that long on a loaded machine
// Before crashing, the hook writes "thread=<id>" and "address=<hex>" lines to
// the file named by VELTA_TEST_CRASH_REPORT (when set), so a test can find
// the crash in the dump.
inline constexpr wchar_t kTestCrashVariable[] = L"VELTA_TEST_CRASH";
inline constexpr wchar_t kTestCrashReportVariable[] = L"VELTA_TEST_CRASH_REPORT";

// Set to the id of a process that watches a run (e2e/process_tree):
// every crash role started in that run hands the watcher a handle of itself
// as it starts, so that the watcher can read how it ended even when it ended
// at once. The handle stays with the watcher until that process ends.
inline constexpr wchar_t kProcessWatcherVariable[] = L"VELTA_TEST_PROCESS_WATCHER";

// How long a role asked to "stall" waits: longer than the 20 s that a
// crashed process used to give its fallback handler.
inline constexpr unsigned long kTestStallSeconds = 25;

// The address the worker writes to: in the never-mapped first page.
inline constexpr unsigned long kTestCrashAddress = 0x1F0;

// Crashes (or stalls) as VELTA_TEST_CRASH asks for `role`; returns when it
// names only other roles, nothing, an unknown kind, or once a stall is over.
void CrashIfAskedFor(std::string_view role);

}  // namespace velta::test

#endif  // CRASH_REPORTER_TEST_CRASH_HOOK_H_
