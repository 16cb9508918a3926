// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_RUNNER_MAIN_PROCESS_INSTALLER_RUNNER_H_
#define DESKTOP_WINDOWS_INSTALLER_RUNNER_MAIN_PROCESS_INSTALLER_RUNNER_H_

#include <stdint.h>

#include "base/command_line.h"
#include "base/files/file_path.h"

namespace velta {

class InstallerObserver;

// What a run of the backend takes from the settings and the crash reporter.
struct BackendLaunchParameters {
  // The chosen installation folder exactly as the settings hold it: it
  // names the installer mutex, the two events and the mailslot.
  base::FilePath install_folder;
  // The settings written out as switches, for the backend's command line.
  base::CommandLine settings_switches{base::CommandLine::NO_PROGRAM};
  // The crash reporter's process id; 0 when this process started none.
  uint32_t crash_reporter_pid = 0;
};

// The main process's handle on one installation: starts the backend process
// with the settings, tells it when the package is complete, and reports what
// the backend reports (and its end) to its observers. Owned by the
// controller; used on the main thread only.
class MainProcessInstallerRunner {
 public:
  virtual ~MainProcessInstallerRunner() = default;

  // Starts the backend. 0 when it runs; otherwise the installer error code,
  // with the reason in the calling thread's installer error record. What a
  // failed run took stays until Stop.
  virtual uint32_t Run(const BackendLaunchParameters& parameters) = 0;
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
