// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_RUNNER_TEST_FAKE_BACKEND_H_
#define DESKTOP_WINDOWS_INSTALLER_RUNNER_TEST_FAKE_BACKEND_H_

#include <string>
#include <vector>

#include "base/command_line.h"

namespace velta::test {

// A stand-in for the installer's backend process, for tests of the main
// process: the child role "FakeInstallerBackend" of any test binary that
// links this target. Started the way the main-process runner starts a
// backend (with `initial-pid`, `initial-proc-handle`, maybe
// `wait-for-package`), it speaks the mailslot channel of the folder given by
// `installfolder` and ends with a chosen exit code:
//
// 1. It reports, as important events, what it was given: "initial_process_ok"
//    when `initial-pid` is a number and `initial-proc-handle` an inherited
//    handle of a running process (else "initial_process_bad"), and
//    "waiting_for_package" when asked to wait for the package.
// 2. With `wait-for-package` it waits for the package-ready event of the
//    folder, or the installation-interrupted event, and reports
//    "package_ready" or "interrupted".
// 3. It reports phase 3, 2 steps, the step "copy" starting and finishing
//    (first try, 1 step done), with kFakeBackendBurstSwitch that many more
//    steps "burst" finished (2 done, 3 done, ...) as fast as it can write
//    them, then success, or with kFakeBackendErrorSwitch the error of that
//    code.
// 4. With kFakeBackendWaitForInterruptSwitch it waits for the interrupted
//    event before it ends.
// 5. It ends with kFakeBackendExitCodeSwitch (0 when absent).
// With kFakeBackendSilentSwitch it skips 1 to 4 and only ends.
inline constexpr char kFakeBackendRole[] = "FakeInstallerBackend";
inline constexpr char kFakeBackendExitCodeSwitch[] = "fake-backend-exit-code";
inline constexpr char kFakeBackendErrorSwitch[] = "fake-backend-error";
inline constexpr char kFakeBackendBurstSwitch[] = "fake-backend-burst";
inline constexpr char kFakeBackendWaitForInterruptSwitch[] = "fake-backend-wait-for-interrupt";
inline constexpr char kFakeBackendSilentSwitch[] = "fake-backend-silent";
// The switch by which the settings name the installation folder.
inline constexpr char kFakeBackendInstallFolderSwitch[] = "installfolder";

// The switches that make a backend launch start the stand-in: its child role
// and `switches` ("name" or "name=value"), for the extra backend switches of
// BackendRunnerOptions.
base::CommandLine MakeFakeBackendSwitches(const std::vector<std::string>& switches);

}  // namespace velta::test

#endif  // DESKTOP_WINDOWS_INSTALLER_RUNNER_TEST_FAKE_BACKEND_H_
