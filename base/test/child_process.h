// Copyright 2026 Velta Software. All rights reserved.

#ifndef BASE_TEST_CHILD_PROCESS_H_
#define BASE_TEST_CHILD_PROCESS_H_

#include <stdint.h>

#include <string>
#include <string_view>
#include <vector>

#include "base/command_line.h"
#include "base/files/file_path.h"
#include "base/process/launch.h"
#include "base/time/time.h"

namespace velta::test {

// Starting real child processes from tests: the test binary itself in a
// registered child role (VELTA_TEST_CHILD_MAIN, base/test/multiprocess_test.h),
// or any program such as installer.exe beside the test binary. Exit codes are
// read on the Windows side, so all 32 bits arrive (the Linux side of Wine
// sees only the low 8).

// The running test binary, and a file beside it.
base::FilePath GetTestExecutablePath();
base::FilePath GetPathBesideTestExecutable(std::wstring_view name);

// Copies installer.exe and velta_installer.dll from the folder `from` (by
// default the build's, beside the test binary) into `folder`, made when
// missing, for a run of the installer from a folder of the test's own.
// False when a file cannot be copied.
bool CopyInstallerFiles(const base::FilePath& folder,
                        const base::FilePath& from = GetTestExecutablePath().DirName());

// Appends `switches`, each "name" or "name=value" without the leading "--",
// to `command_line`; the value is kept whole, spaces and quotes included.
void AppendSwitches(const std::vector<std::wstring>& switches, base::CommandLine* command_line);
void AppendSwitches(const std::vector<std::string>& switches, base::CommandLine* command_line);

// The test binary's command line for child role `role`
// (--velta-test-child=<role>); append switches and arguments as needed.
base::CommandLine MakeChildCommandLine(std::string_view role);

struct ChildOptions {
  // How long RunChild waits; after that the child is terminated.
  base::TimeDelta timeout = base::TimeDelta::FromSeconds(60);
  // Collect the child's standard output (a pipe read on its own thread).
  bool capture_output = false;
  // Handles, hidden start, folder and environment for the child. With
  // capture_output its stdout_handle is the pipe.
  base::LaunchOptions launch;
};

struct ChildResult {
  bool started = false;
  // False when the time-out passed (the child was then terminated).
  bool exited = false;
  // The full Windows exit code (0xC0000005 for an access violation).
  uint32_t exit_code = 0;
  // Standard output, with ChildOptions::capture_output.
  std::string output;
};

// Starts `command_line`, waits for it (up to options.timeout) and reports
// how it ended. A child whose own children keep its standard output open
// delays the return of a capturing call until they close it.
ChildResult RunChild(const base::CommandLine& command_line, const ChildOptions& options = {});

// Waits up to `timeout` for `process`; on time-out terminates it (exit code
// 0xDEAD) and returns false. `exit_code` receives the full code on success.
bool WaitForChildExit(const base::Process& process, base::TimeDelta timeout,
                      uint32_t* exit_code);

}  // namespace velta::test

#endif  // BASE_TEST_CHILD_PROCESS_H_
