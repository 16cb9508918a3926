// Copyright 2026 Velta Software. All rights reserved.

#ifndef TESTING_FAKE_HOOKS_CRASH_HOOK_H_
#define TESTING_FAKE_HOOKS_CRASH_HOOK_H_

#include <string_view>

namespace velta::test {

// Deliberate crashes for the crash-reporting tests. Linked into test
// executables only, never into the shipped library.
//
// VELTA_TEST_CRASH = "<role>:<kind>" asks the process playing <role> to
// crash; kinds:
//   worker-access-violation  a write to kTestCrashAddress on a new thread
//   breakpoint               a breakpoint on the calling thread
// Before crashing, the hook writes "thread=<id>" and "address=<hex>" lines to
// the file named by VELTA_TEST_CRASH_REPORT (when set), so a test can find
// the crash in the dump.
inline constexpr wchar_t kTestCrashVariable[] = L"VELTA_TEST_CRASH";
inline constexpr wchar_t kTestCrashReportVariable[] = L"VELTA_TEST_CRASH_REPORT";

// The address the worker writes to: in the never-mapped first page.
inline constexpr unsigned long kTestCrashAddress = 0x1F0;

// Crashes as VELTA_TEST_CRASH asks when its role is `role`; returns when it
// names another role, nothing, or an unknown kind.
void CrashIfAskedFor(std::string_view role);

}  // namespace velta::test

#endif  // TESTING_FAKE_HOOKS_CRASH_HOOK_H_
