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

// The status files of an installation folder, and the folder of older
// numbered copies ("installation_status.json.17").
inline constexpr wchar_t kInstallationStatusJsonFileName[] = L"installation_status.json";
inline constexpr wchar_t kInstallationStatusXmlFileName[] = L"installation_status.xml";
inline constexpr wchar_t kOldStatusFolderName[] = L"old_status";
// In an installation folder: the browser's starter, the installer's
// preferences and the tracking data the installation was made with.
inline constexpr wchar_t kLauncherFileName[] = L"launcher.exe";
inline constexpr wchar_t kInstallerPrefsFileName[] = L"installer_prefs.json";
inline constexpr wchar_t kServerTrackingDataFileName[] = L"server_tracking_data";
// A fetched package's archive, and the version its legacy check wrote.
inline constexpr wchar_t kPackageFileName[] = L"velta_package";
inline constexpr wchar_t kPackageVersionFileName[] = L"package_version";

// The named objects of one installation, each followed by "/" and the
// installation folder (MakeNamedObjectName): the mutex that lets one
// installer at a time work on a folder, and the events by which the main
// process tells its backend that the package is complete, or that the
// installation is to stop.
inline constexpr wchar_t kInstallerMutexBaseName[] = L"Velta/Installer";
inline constexpr wchar_t kPackageReadyEventBaseName[] = L"VeltaInstaller/PackageReady";
inline constexpr wchar_t kInstallationInterruptedEventBaseName[] =
    L"VeltaInstaller/InstallationInterrupted";
// The events by which the elevated folder-permission helper tells the
// installing backend that it may write to the folder, and the backend tells
// the helper to take that grant back (both "Local\" objects).
inline constexpr wchar_t kGiveInstallPermissionEventBaseName[] =
    L"VeltaInstaller/GiveInstallPermission";
inline constexpr wchar_t kGiveInstallPermissionUndoEventBaseName[] =
    L"VeltaInstaller/GiveInstallPermission/Undo";
// Written by the last install step into the version folder; the backend that
// started the package's installer reads it and deletes it.
inline constexpr wchar_t kInstallDoneMarkerFileName[] = L"done";

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_COMMON_INSTALLER_CONSTANTS_H_
