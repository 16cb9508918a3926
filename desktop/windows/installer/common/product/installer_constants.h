// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_COMMON_PRODUCT_INSTALLER_CONSTANTS_H_
#define DESKTOP_WINDOWS_INSTALLER_COMMON_PRODUCT_INSTALLER_CONSTANTS_H_

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
// The fetched preference default overrides, in the package folder and then
// in the installation folder, and the file in a version folder that marks a
// minimal installation.
inline constexpr wchar_t kPrefDefaultOverridesFileName[] = L"pref_default_overrides";
inline constexpr wchar_t kMinimalInstallFileName[] = L"minimal_install";
// In a package and then in the installation folder: the list of the files
// that go to the installation folder's root, and the helper that pins
// shortcuts (the 64-bit one on 64-bit Windows).
inline constexpr wchar_t kRootFilesListFileName[] = L"root_files_list";
inline constexpr wchar_t kHelperFileName[] = L"installer_helper.exe";
inline constexpr wchar_t kHelper64FileName[] = L"installer_helper_64.exe";
// In a version folder: the folder of the browser's resources, and in it (and
// in a profile) the user agent the browser reports for tracking.
inline constexpr wchar_t kResourcesFolderName[] = L"resources";
inline constexpr wchar_t kTrackingUserAgentFileName[] = L"tracking_user_agent.json";
// The browser's files in a profile folder: the state of the whole browser
// and the profile's own preferences.
inline constexpr wchar_t kLocalStateFileName[] = L"Local State";
inline constexpr wchar_t kPreferencesFileName[] = L"Preferences";
// The preference file of a package folder that the fetch writes and the
// backend reads into the installation's preferences.
inline constexpr wchar_t kInstallerPrefsIncludeFileName[] = L"installer_prefs_include.json";
// A fetched package's archive, and the version its legacy check wrote.
inline constexpr wchar_t kPackageFileName[] = L"velta_package";
inline constexpr wchar_t kPackageVersionFileName[] = L"package_version";

// The keys of installer_prefs.json that the installer reads back: the page
// the browser shows first (from installer_prefs_include.json), the profile
// choice and folder, the installation's language, the experiment states that
// differ from the stream's defaults and those of every experiment, and the
// consents given.
inline constexpr char kWelcomeUrlPref[] = "welcome-url";
inline constexpr char kSingleProfilePref[] = "single_profile";
inline constexpr char kProfilePathPref[] = "profile_path";
// The placeholder "profile_path" may hold; its first occurrence stands for
// the logon name of the user whose profile it is.
inline constexpr wchar_t kUserNamePlaceholder[] = L"<USERNAME>";
inline constexpr char kLanguagePref[] = "language";
inline constexpr char kStoredExperimentsPref[] = "installer-experiments";
inline constexpr char kAllExperimentsPref[] = "all-installer-experiments";
inline constexpr char kImportBrowserDataPref[] = "import_browser_data";
inline constexpr char kEnableStatsPref[] = "enable_stats";

// The browser's preferences that the installer reads and sets: the user
// interface language in "Local State", the statistics consent in a
// profile's "Preferences".
inline constexpr char kAppLocalePref[] = "intl.app_locale";
inline constexpr char kStatsCollectionPref[] = "statistics.collection_enabled";

// The named objects of one installation, each followed by "/" and the
// installation folder (MakeNamedObjectName): the mutex that lets one
// installer at a time work on a folder, and the events by which the main
// process tells its backend that the package is complete, or that the
// installation is to stop.
inline constexpr wchar_t kInstallerMutexBaseName[] = L"Velta/Installer";
// Beside that mutex, one named after the folder with its letters folded to
// one case: two spellings of one folder that differ only in case meet on it,
// even before the folder exists to spell them alike.
inline constexpr wchar_t kFoldedInstallerMutexBaseName[] = L"Velta/InstallerFolded";

// Set in the environment of the package's installer by the process that
// starts it, so that the relaunch stays one level deep.
inline constexpr wchar_t kStartedAsPackageInstallerVariable[] =
    L"VELTA_STARTED_AS_PACKAGE_INSTALLER";
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

#endif  // DESKTOP_WINDOWS_INSTALLER_COMMON_PRODUCT_INSTALLER_CONSTANTS_H_
