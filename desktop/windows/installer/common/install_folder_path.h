// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_COMMON_INSTALL_FOLDER_PATH_H_
#define DESKTOP_WINDOWS_INSTALLER_COMMON_INSTALL_FOLDER_PATH_H_

#include <string>

#include "base/files/file_path.h"

// One install folder has many spellings: "C:/x/Velta", "c:\X\velta\",
// "C:\x\\Velta" and "\\?\C:\x\Velta" are one folder to Windows. The
// installer settles on one form of it where the settings take the folder,
// so that the form handed to every process of a run, the names of the
// kernel objects built from it and the records written with it agree.

namespace velta {

// The one form of `folder`: backslashes, each run of separators made one
// (a UNC path keeps its leading two), the "\\?\" prefix dropped ("\\?\UNC\"
// becomes "\\"), no trailing separator but a drive root's ("C:\"), the drive
// letter upper case and each existing component spelled as the file system
// spells it. A path the settings refuse (empty, not a valid folder path,
// relative, with "." or "..") is answered as it is, to be refused as given.
base::FilePath CanonicalInstallFolder(const base::FilePath& folder);

// The same form as text alone, with the file system left untouched.
std::wstring CanonicalInstallFolderText(const std::wstring& folder);

// `folder` with every letter upper case as the file system compares names,
// for a name that two spellings differing only in case share.
std::wstring FoldInstallFolderCase(const std::wstring& folder);

// Whether `a` and `b` name one folder, ignoring case and spelling.
bool IsSameInstallFolder(const base::FilePath& a, const base::FilePath& b);

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_COMMON_INSTALL_FOLDER_PATH_H_
