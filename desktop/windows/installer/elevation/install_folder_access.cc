// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/elevation/install_folder_access.h"

namespace velta {

InstallFolderAccess DecideInstallFolderAccess(const InstallFolderAccessFacts& facts) {
  if (!facts.has_write && facts.needs_writable_folder)
    return InstallFolderAccess::kRefuseSingleProfile;
  // An all-users installation needs an administrator whatever the folder.
  if (facts.all_users && !facts.is_admin)
    return InstallFolderAccess::kRunElevated;
  if (facts.has_write)
    return InstallFolderAccess::kWrite;
  if (!facts.own_grant_failed)
    return InstallFolderAccess::kGrantOwnAccess;
  if (facts.is_admin)
    return InstallFolderAccess::kRefuseAdministrator;
  if (facts.can_elevate)
    return InstallFolderAccess::kRunElevated;
  return InstallFolderAccess::kBorrowGrant;
}

}  // namespace velta
