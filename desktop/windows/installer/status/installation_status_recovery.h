// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_STATUS_INSTALLATION_STATUS_RECOVERY_H_
#define DESKTOP_WINDOWS_INSTALLER_STATUS_INSTALLATION_STATUS_RECOVERY_H_

#include <memory>

#include "base/files/file_path.h"
#include "desktop/windows/installer/status/installation_status.h"

namespace velta {

// Rebuilds the status of an installation folder that has no usable status
// file from what an old installer left behind. The status loader asks it last.
class InstallationStatusRecovery {
 public:
  virtual ~InstallationStatusRecovery() = default;

  // Fills `*out` with a record of source kFullyRecovered for `folder`, or
  // leaves it null when nothing can be recovered.
  virtual void Recover(std::unique_ptr<InstallationStatus>* out, const base::FilePath& folder) = 0;
};

// Makes the process-wide recovery object. The recovery itself lives above
// this folder (it reads the registry and the registry templates), so the
// process installs its factory at start; until then the default one makes a
// recovery that recovers nothing.
using InstallationStatusRecoveryFactory = std::unique_ptr<InstallationStatusRecovery> (*)();

// The process-wide recovery object, made through the factory in place on
// first use and kept until the process ends or the factory is replaced.
InstallationStatusRecovery* GetInstallationStatusRecovery();

// Puts `factory` in place and drops the object the previous one made, so the
// next GetInstallationStatusRecovery() makes a new one; null puts the default
// back. Returns the previous factory (null for the default). Called on the
// main thread while no one holds the recovery object.
InstallationStatusRecoveryFactory SetInstallationStatusRecoveryFactory(
    InstallationStatusRecoveryFactory factory);

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_STATUS_INSTALLATION_STATUS_RECOVERY_H_
