// Copyright 2026 Velta Software. All rights reserved.

// The main of every test binary: runs the tests, or, when started with
// --velta-test-child=<name>, the child role registered under that name.
// Process roles (the crash reporter's, where its test support is linked) come
// first, as in the installer: a crash reporter started by a child inherits
// the child's switches, and must not become that child again.

#include <stdio.h>

#include <string>

#include "base/at_exit.h"
#include "base/command_line.h"
#include "base/logging.h"
#include "base/test/multiprocess_test.h"
#include "gmock/gmock.h"

int main(int argc, char** argv) {
  // Lazy instances and other exit-time work register here, as in the
  // installer's entry point.
  base::AtExitManager at_exit_manager;
  base::CommandLine::Init(argc, argv);
  const base::CommandLine& command_line = *base::CommandLine::ForCurrentProcess();
  int role_exit_code = 0;
  if (velta::test::RunProcessRoleIfAsked(command_line, &role_exit_code))
    return role_exit_code;
  if (command_line.HasSwitch(velta::test::kTestChildSwitch)) {
    std::string name =
        command_line.GetSwitchValueASCII(velta::test::kTestChildSwitch);
    velta::test::ChildMain child = velta::test::FindChildMain(name.c_str());
    if (!child) {
      fprintf(stderr, "No child role named '%s'\n", name.c_str());
      return 125;
    }
    std::string error;
    if (!velta::test::RunChildSetupHooks(command_line, &error)) {
      fprintf(stderr, "Child role '%s' cannot be set up: %s\n", name.c_str(), error.c_str());
      return velta::test::kChildSetupFailedExitCode;
    }
    return child();
  }
  testing::InitGoogleMock(&argc, argv);
  return RUN_ALL_TESTS();
}
