// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_RUNNER_INSTALLER_JOB_H_
#define DESKTOP_WINDOWS_INSTALLER_RUNNER_INSTALLER_JOB_H_

#include <stdint.h>

namespace velta {

class InstallerObserver;
class Settings;

// The installation job that a backend runs: the `Installer` of the top-level
// folder, which the runner cannot include, handed to the backend runner by
// the entry. Main thread only.
class InstallerJob {
 public:
  virtual ~InstallerJob() = default;

  // `observer` (not owned) hears of the job's course until it is removed;
  // observers are told in the order they were added.
  virtual void AddObserver(InstallerObserver* observer) = 0;
  virtual void RemoveObserver(InstallerObserver* observer) = 0;
  // Posts the job to the main thread's loop; it ends with exactly one
  // OnSuccess, OnError or OnInstallationCancelled. `settings` (not owned)
  // must outlive the job and be done fetching folder details. False when the
  // job cannot be posted.
  virtual bool Run(Settings* settings) = 0;
  // 20 until the job ends, then 0 or the installer error code.
  virtual uint32_t GetResult() const = 0;
};

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_RUNNER_INSTALLER_JOB_H_
