// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_COMMON_INSTALLER_CONSTANTS_H_
#define DESKTOP_WINDOWS_INSTALLER_COMMON_INSTALLER_CONSTANTS_H_

namespace velta {

// Fixed file names shared by the installer's processes.

// The installer executable as it lies in an unpacked package.
inline constexpr wchar_t kPackageInstallerFileName[] = L"installer.exe";
// A package's list of its files, one per line.
inline constexpr wchar_t kFilesListFileName[] = L"files_list";
// Written into a package folder once the package in it is complete.
inline constexpr wchar_t kPackageReadyFileName[] = L"ready";

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_COMMON_INSTALLER_CONSTANTS_H_
