// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_STATUS_INSTALLATION_STATUS_RECOVERY_H_
#define DESKTOP_WINDOWS_INSTALLER_STATUS_INSTALLATION_STATUS_RECOVERY_H_

#include <memory>
#include <vector>

#include "base/files/file_path.h"
#include "base/version.h"
#include "desktop/windows/installer/status/installation_status.h"

namespace velta {

// Rebuilds the status of an installation folder that has no usable status
// file from what an old installer left behind: its uninstall entry, its
// version folder, its shortcuts, its files and the registry values the
// registry templates write. The status loader asks it last. Stateless.
class InstallationStatusRecovery {
 public:
  virtual ~InstallationStatusRecovery() = default;

  // Fills `*out` with a record of source kFullyRecovered for `folder`, or
  // leaves it null when the folder is not recognised as an installation.
  // Runs the version folder's installer.exe and blocks until it ends, or
  // until the time it is given runs out.
  virtual void Recover(std::unique_ptr<InstallationStatus>* out, const base::FilePath& folder) = 0;

  // FindVersionFolders, keeping only the names that contain the text of
  // `version`, in the same order.
  virtual void FindVersionFoldersMatching(std::vector<base::FilePath>* out,
                                          const base::FilePath& folder,
                                          const base::Version& version) = 0;

  // The names (relative to `folder`) of its version folders, best first: a
  // subfolder named like a version (four or five parts of digits and "_")
  // that holds velta.exe and installer.exe and no files_list (a folder an
  // unfinished installation left); the highest major version first, and of
  // equal majors the most recently modified.
  virtual void FindVersionFolders(std::vector<base::FilePath>* out,
                                  const base::FilePath& folder) = 0;
};

// The process-wide recovery object (see base::ProcessWide): the real one
// (InstallationStatusRecoveryImpl), made on first use and never destroyed;
// tests put another in place with
// base::ProcessWide<InstallationStatusRecovery>::ScopedOverride. Any thread.
InstallationStatusRecovery* GetInstallationStatusRecovery();

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_STATUS_INSTALLATION_STATUS_RECOVERY_H_
