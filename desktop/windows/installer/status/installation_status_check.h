// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_STATUS_INSTALLATION_STATUS_CHECK_H_
#define DESKTOP_WINDOWS_INSTALLER_STATUS_INSTALLATION_STATUS_CHECK_H_

#include <string>
#include <string_view>

#include "base/files/file_path.h"
#include "desktop/windows/installer/status/installation_status.h"

namespace velta {

// Whether `name` is the name of a version folder the installer makes: a
// dotted version of decimal numbers ("1.0.2417.12"), maybe followed by the
// "_<n>" the package handler adds when the plain name is taken.
bool IsVersionFolderName(std::wstring_view name);

// Whether a record of `path` (below a hive) with clean-up depth `clean`
// stays under the keys the installation's registry templates write: a key
// the templates only add values to may be named with depth 0 alone, and a
// key the templates delete on removal may be named, or anything below it,
// with a depth that deletes nothing above it. Keys other programs share, or
// own, never pass.
bool IsOwnRegistryRecord(const std::string& path, int clean);

// Makes a status read from a file of the installation folder `folder` safe
// to act on: its version and subfolder must each be empty or one version
// folder name (else false, with the reason in `*error`: the file is
// damaged), and every
// record that would reach outside the installation is dropped with a warning
// naming it: files and root files that are not relative paths inside their
// folder, shortcuts that are not absolute ".lnk" files, components whose name
// is not a single name or whose folder is not inside `folder`, and registry
// keys IsOwnRegistryRecord refuses. The rest is kept as it was.
bool CheckInstallationStatus(const base::FilePath& folder,
                             InstallationStatus* status,
                             std::string* error);

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_STATUS_INSTALLATION_STATUS_CHECK_H_
