// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_STATUS_INSTALLATION_STATUS_RECOVERY_IMPL_H_
#define DESKTOP_WINDOWS_INSTALLER_STATUS_INSTALLATION_STATUS_RECOVERY_IMPL_H_

#include <memory>
#include <string>
#include <vector>

#include "base/files/file_path.h"
#include "base/time/time.h"
#include "base/version.h"
#include "desktop/windows/installer/status/installation_status_recovery.h"

namespace velta {

// Reads the target and the AppUserModelID of the shortcut at `shortcut`;
// false when it cannot be read. Needs COM on the calling thread.
using ShortcutTargetAndAppIdReader = bool (*)(const base::FilePath& shortcut,
                                              base::FilePath* target,
                                              std::wstring* app_id);

// The shell link's own target and AppUserModelID.
bool ReadShortcutTargetAndAppId(const base::FilePath& shortcut,
                                base::FilePath* target,
                                std::wstring* app_id);

// The recovery of a status from what an old installer left behind:
// 1. the folder's entry in the uninstall lists (HKCU, then HKLM's 64-bit
//    and 32-bit views): a subkey named "Velta...", published by the company,
//    whose InstallLocation is the folder; listed once, or the folder is not
//    recognised (an entry under HKCU and one under HKLM make it ambiguous);
// 2. the best version folder and the version its installer.exe prints
//    (within kVersionTimeout and a few KiB, and a version folder's name);
// 3. the shortcuts on the desktop, in Quick Launch and in the Start menu
//    that lead into the folder and carry an app id ending in digits;
// 4. every file of the version folder, the root files (Assets, the two
//    visual-elements files);
// 5. the registry values of the built-in templates that exist under the
//    installation's root, recorded by name (with their clean-up depth).
class InstallationStatusRecoveryImpl : public InstallationStatusRecovery {
 public:
  // How long the version folder's installer.exe may take to print its
  // version; one that takes longer is ended and the folder not recognised.
  static constexpr base::TimeDelta kVersionTimeout = base::TimeDelta::FromSeconds(30);

  // `read_shortcut` stands in for the shell (its AppUserModelID is not kept
  // by every shell); the real reader by default. `version_timeout` is
  // kVersionTimeout but in tests of the time-out.
  explicit InstallationStatusRecoveryImpl(
      ShortcutTargetAndAppIdReader read_shortcut = &ReadShortcutTargetAndAppId,
      base::TimeDelta version_timeout = kVersionTimeout);
  InstallationStatusRecoveryImpl(const InstallationStatusRecoveryImpl&) = delete;
  InstallationStatusRecoveryImpl& operator=(const InstallationStatusRecoveryImpl&) = delete;
  ~InstallationStatusRecoveryImpl() override;

  void Recover(std::unique_ptr<InstallationStatus>* out, const base::FilePath& folder) override;
  void FindVersionFoldersMatching(std::vector<base::FilePath>* out,
                                  const base::FilePath& folder,
                                  const base::Version& version) override;
  void FindVersionFolders(std::vector<base::FilePath>* out, const base::FilePath& folder) override;

 private:
  // Sets `*shortcut` and the status's app id from the first shortcut in
  // `shortcut_folder` that leads into `folder` and carries an app id whose
  // last "."-separated part is all digits; leaves both alone when none does.
  void FindShortcut(const base::FilePath& folder,
                    const base::FilePath& shortcut_folder,
                    base::FilePath* shortcut,
                    std::wstring* app_id);

  const ShortcutTargetAndAppIdReader read_shortcut_;
  const base::TimeDelta version_timeout_;
};

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_STATUS_INSTALLATION_STATUS_RECOVERY_IMPL_H_
