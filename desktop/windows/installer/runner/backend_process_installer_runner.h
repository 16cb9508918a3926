// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_RUNNER_BACKEND_PROCESS_INSTALLER_RUNNER_H_
#define DESKTOP_WINDOWS_INSTALLER_RUNNER_BACKEND_PROCESS_INSTALLER_RUNNER_H_

#include <stdint.h>

namespace velta {

class Settings;

// What the entry runs in a process started with `backend`: ties the
// backend's life to the process that started it, waits for the settings,
// runs the installation on the main thread and reports its course to the
// main process over the mailslot. Made and run on the main thread.
class BackendProcessInstallerRunner {
 public:
  virtual ~BackendProcessInstallerRunner() = default;

  // Runs the installation to its end, or until the starting process ends.
  // Returns 0 on success, else the installer error code (20 when the
  // installation had not finished). `settings` (not owned) outlives the
  // call.
  virtual uint32_t Run(Settings* settings) = 0;
};

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_RUNNER_BACKEND_PROCESS_INSTALLER_RUNNER_H_
