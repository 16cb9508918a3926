// Copyright 2026 Velta Software. All rights reserved.

#ifndef BASE_TEST_MULTIPROCESS_TEST_H_
#define BASE_TEST_MULTIPROCESS_TEST_H_

#include <string>

namespace base {
class CommandLine;
}

namespace velta::test {

// The switch that makes a test binary run one registered child role instead
// of the tests: "--velta-test-child=<name>".
inline constexpr char kTestChildSwitch[] = "velta-test-child";

using ChildMain = int (*)();

// Registers a child role at static-initialisation time. Use the macro below.
class ChildMainRegistrar {
 public:
  ChildMainRegistrar(const char* name, ChildMain main);
};

// Returns the child role registered under `name`, or null.
ChildMain FindChildMain(const char* name);

// The exit code of a child whose set-up hook failed (the reason goes to
// standard error).
inline constexpr int kChildSetupFailedExitCode = 124;

// Runs in a child process before its role, with the child's command line:
// puts in place what the switches ask for (the installer's
// common/win/test/fake_hooks installs fakes this way). False, with `error` set,
// stops the child.
using ChildSetupHook = bool (*)(const base::CommandLine& command_line, std::string* error);

// Registers a set-up hook at static-initialisation time.
class ChildSetupHookRegistrar {
 public:
  explicit ChildSetupHookRegistrar(ChildSetupHook hook);
};

// Runs every registered hook in registration order; stops at the first that
// fails.
bool RunChildSetupHooks(const base::CommandLine& command_line, std::string* error);

// A role that takes the whole process before tests or child roles run (the
// crash reporter's roles, linked in by the crash reporter's test support).
// Answers true, with `exit_code` set, when the command line asked for it.
using ProcessRole = bool (*)(const base::CommandLine& command_line, int* exit_code);

// Registers a process role at static-initialisation time.
class ProcessRoleRegistrar {
 public:
  explicit ProcessRoleRegistrar(ProcessRole role);
};

// Runs the registered process roles in registration order until one answers
// true; false when none was asked for.
bool RunProcessRoleIfAsked(const base::CommandLine& command_line, int* exit_code);

}  // namespace velta::test

// Defines a child role of the test binary:
//   VELTA_TEST_CHILD_MAIN(PrintArguments) { ...; return 0; }
// The test starts it by relaunching its own executable with
// --velta-test-child=PrintArguments; the function's result is the exit code.
#define VELTA_TEST_CHILD_MAIN(name)                               \
  static int name##ChildMain();                                   \
  static const ::velta::test::ChildMainRegistrar name##Registrar( \
      #name, &name##ChildMain);                                   \
  static int name##ChildMain()

#endif  // BASE_TEST_MULTIPROCESS_TEST_H_
