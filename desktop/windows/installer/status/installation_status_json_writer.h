// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_STATUS_INSTALLATION_STATUS_JSON_WRITER_H_
#define DESKTOP_WINDOWS_INSTALLER_STATUS_INSTALLATION_STATUS_JSON_WRITER_H_

#include <string>

#include "base/files/file_path.h"

namespace base {
class Value;
}  // namespace base

namespace velta {

struct InstallationStatus;

// Writes `status` as installation_status.json at `file`, replacing what was
// there. The file is written through a temporary file renamed over it, so a
// reader or a crash sees the whole old file or the whole new one. On failure
// (logged) the old file, if any, is left as it was. Blocks on disk I/O.
bool WriteInstallationStatusJson(const InstallationStatus& status, const base::FilePath& file);

// The compact JSON text of `status`, keys in ascending byte order: "version",
// "copy_only", "_all_users" and "path", "_subfolder", "files" and "registry"
// always; "app_id", "root_files", "shortcuts" and "components" only when they
// hold something. Shortcuts are keyed by kind, with "SC_DEST_COMMON_DESKTOP"
// and "SC_DEST_COMMON_MENU" for all-users installations; components by their
// name taken literally, dots included. Empty when the text cannot be made.
std::string InstallationStatusToJson(const InstallationStatus& status);

namespace internal {

// The second half of WriteInstallationStatusJson: serialises `root` and
// writes it to `file`. A value that cannot be serialised leaves `file` alone
// and gives false.
bool WriteStatusValueToFile(const base::Value& root, const base::FilePath& file);

}  // namespace internal

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_STATUS_INSTALLATION_STATUS_JSON_WRITER_H_
