// Copyright 2026 Velta Software. All rights reserved.

// Makes every test binary able to play the crash roles, as installer.exe
// does: a test that starts crash reporting from a child process gets a crash
// reporter and handler from the same executable.

#include <stdint.h>

#include "base/command_line.h"
#include "base/test/multiprocess_test.h"
#include "crash_reporter/crash_reporting.h"

namespace velta::test {
namespace {

bool RunCrashRole(const base::CommandLine& command_line, int* exit_code) {
  uint32_t crash_role_exit_code = 0;
  if (!RunCrashRoleIfAsked(command_line, &crash_role_exit_code))
    return false;
  *exit_code = static_cast<int>(crash_role_exit_code);
  return true;
}

const ProcessRoleRegistrar crash_role_registrar(&RunCrashRole);

}  // namespace
}  // namespace velta::test
