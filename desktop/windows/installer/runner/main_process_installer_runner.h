// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_RUNNER_MAIN_PROCESS_INSTALLER_RUNNER_H_
#define DESKTOP_WINDOWS_INSTALLER_RUNNER_MAIN_PROCESS_INSTALLER_RUNNER_H_

#include <stdint.h>

#include "base/files/file_path.h"

namespace velta {

class InstallerObserver;
class Settings;

// The main process's handle on one installation: starts the backend process
// with the settings, tells it when the package is complete, and reports what
// the backend reports (and its end) to its observers. Owned by the
// controller; used on the main thread only.
class MainProcessInstallerRunner {
 public:
  virtual ~MainProcessInstallerRunner() = default;

  // Checks `settings`, makes them read-only and starts the backend with
  // them. 0 when it runs; otherwise the installer error code, with the
  // reason in the calling thread's installer error record. What a failed run
  // took stays until Stop. `settings` (not owned, no longer gathering folder
  // details) outlive the run.
  virtual uint32_t Run(Settings* settings) = 0;
  // Where the package and the assistant are fetched to; `assistant_folder`
  // is empty when no assistant is installed.
  virtual void SetPackagePaths(const base::FilePath& package_folder,
                               const base::FilePath& assistant_folder) = 0;
  // Asks a running backend to stop and lets go of what Run took. Safe to
  // call again.
  virtual void Stop() = 0;
  // The package is complete: a backend started later does not wait for it,
  // a running one is told.
  virtual void OnPackageReady() = 0;
  // Not owned; each added once. May be removed while being notified.
  virtual void AddObserver(InstallerObserver* observer) = 0;
  virtual void RemoveObserver(InstallerObserver* observer) = 0;
};

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_RUNNER_MAIN_PROCESS_INSTALLER_RUNNER_H_
