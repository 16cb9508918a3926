// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_ELEVATION_INSTALL_FOLDER_ACCESS_H_
#define DESKTOP_WINDOWS_INSTALLER_ELEVATION_INSTALL_FOLDER_ACCESS_H_

namespace velta {

// What the installer knows, once the install folder has been looked at, about
// the user's rights on it and the process's own.
struct InstallFolderAccessFacts {
  // The settings install for all users.
  bool all_users = false;
  // The process runs with an administrator's rights now.
  bool is_admin = false;
  // The user may read, write and execute in the folder.
  bool has_write = false;
  // A new single-profile installation into a folder not already marked
  // single profile: only a folder the user can write will do.
  bool needs_writable_folder = false;
  // The installer has tried to grant the user access itself, and failed.
  bool own_grant_failed = false;
  // The user could become an administrator (the token's linked one is).
  // Only asked once the installer's own grant has failed.
  bool can_elevate = false;
};

// How the installer goes on with the install folder.
enum class InstallFolderAccess {
  // The user may write the folder: the job goes on in this process.
  kWrite,
  // The installer grants the user access with its own rights first and
  // decides again, with `own_grant_failed` when that grant failed.
  kGrantOwnAccess,
  // An elevated copy of the backend does the job.
  kRunElevated,
  // The elevated folder-permission helper grants the user access for the
  // job (or for good), and the job goes on in this process.
  kBorrowGrant,
  // Refused: a single-profile installation into a folder the user cannot
  // write.
  kRefuseSingleProfile,
  // Refused: an administrator who still cannot get write access.
  kRefuseAdministrator,
};

// The decision alone, with no system call: the installer gathers the facts
// and acts on the answer.
InstallFolderAccess DecideInstallFolderAccess(const InstallFolderAccessFacts& facts);

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_ELEVATION_INSTALL_FOLDER_ACCESS_H_
