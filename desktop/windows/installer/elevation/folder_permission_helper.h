// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_ELEVATION_FOLDER_PERMISSION_HELPER_H_
#define DESKTOP_WINDOWS_INSTALLER_ELEVATION_FOLDER_PERMISSION_HELPER_H_

#include "base/time/time.h"

namespace base {
class CommandLine;
class FilePath;
}  // namespace base

namespace velta {

// The role of an installer process started elevated with
// `set-folder-permission` <folder> and `permissions-for-user` <account>:
// grants the account full access to the folder (made when missing) and
// signals the installing backend through the "GiveInstallPermission" event;
// unless `permanent-permissions` is given it then waits for the
// "GiveInstallPermission/Undo" event, or for the installing process
// (`parent-pid`, else `initial-pid`) to end, and puts the previous access
// list back. With `wait-for-package` it first waits for the package and then
// runs the package's installer.exe elevated with the same request instead.
// Reports nothing: every failure ends the role quietly. Blocks the calling
// thread while it waits.
void RunFolderPermissionHelper();

// RunFolderPermissionHelper with the switches of `command_line`, and
// `undo_delay` between the undo event and the restore (10 s in the role).
void RunFolderPermissionHelperWithDelay(const base::CommandLine& command_line,
                                        base::TimeDelta undo_delay);

// Starts "k.bat" of `install_folder` hidden, without waiting, when it
// exists.
void RunUninstallBatch(const base::FilePath& install_folder);

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_ELEVATION_FOLDER_PERMISSION_HELPER_H_
