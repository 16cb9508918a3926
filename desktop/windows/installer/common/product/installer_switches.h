// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_COMMON_PRODUCT_INSTALLER_SWITCHES_H_
#define DESKTOP_WINDOWS_INSTALLER_COMMON_PRODUCT_INSTALLER_SWITCHES_H_

#include <stdint.h>

namespace base {
class CommandLine;
}

namespace velta {

// The switches by which the installer's processes tell each other their role,
// mode and shared state, without the leading "--".

// Roles.
inline constexpr char kBackendSwitch[] = "backend";
inline constexpr char kInsidePackageSwitch[] = "inside-package";

// Modes (GetInstallerModeFromSwitches).
inline constexpr char kUninstallSwitch[] = "uninstall";
inline constexpr char kFixDownloadableResourcesSwitch[] = "fix-downloadable-resources";
inline constexpr char kRegisterProtocolHandlerSwitch[] = "register-velta-as-protocol-handler";

// The state that a process hands on to every child.
inline constexpr char kPackageDirSwitch[] = "package-dir";
inline constexpr char kPackageDirPrefixSwitch[] = "package-dir-prefix";
inline constexpr char kWaitForPackageSwitch[] = "wait-for-package";
inline constexpr char kSessionGuidSwitch[] = "session-guid";
inline constexpr char kServerTrackingBlobSwitch[] = "server-tracking-blob";
inline constexpr char kAutoupdateSwitch[] = "autoupdate";
inline constexpr char kSilentSwitch[] = "silent";
inline constexpr char kLaunchOnOsStartSwitch[] = "launchvelta-on-os-start";
inline constexpr char kUiThreadIdSwitch[] = "ui-thread-id";

// The install options and choices that the settings read, and write out for
// a backend (see SettingsImpl). Boolean options take "1"/"0", "yes"/"true"
// or a number.
inline constexpr char kInstallSwitch[] = "install";
inline constexpr char kInstallFolderSwitch[] = "installfolder";
inline constexpr char kLanguageSwitch[] = "language";
inline constexpr char kRunImmediatelySwitch[] = "runimmediately";
inline constexpr char kLaunchVeltaSwitch[] = "launchvelta";
inline constexpr char kLaunchBrowserSwitch[] = "launchbrowser";
inline constexpr char kCopyOnlySwitch[] = "copyonly";
inline constexpr char kImportBrowserDataSwitch[] = "import-browser-data";
inline constexpr char kEnableStatsSwitch[] = "enable-stats";
inline constexpr char kEnableInstallerStatsSwitch[] = "enable-installer-stats";
inline constexpr char kAllUsersSwitch[] = "allusers";
inline constexpr char kSetDefaultBrowserSwitch[] = "setdefaultbrowser";
inline constexpr char kDesktopShortcutSwitch[] = "desktopshortcut";
inline constexpr char kStartMenuShortcutSwitch[] = "startmenushortcut";
inline constexpr char kQuickLaunchShortcutSwitch[] = "quicklaunchshortcut";
inline constexpr char kPinToTaskbarSwitch[] = "pintotaskbar";
inline constexpr char kSingleProfileSwitch[] = "singleprofile";
inline constexpr char kProfileFolderSwitch[] = "profile-folder";
inline constexpr char kInstallAssistantSwitch[] = "install-assistant";
inline constexpr char kDeleteUserProfileSwitch[] = "deleteuserprofile";
// Handed on to a backend as they were given.
inline constexpr char kInitialPidSwitch[] = "initial-pid";
inline constexpr char kTempFolderSwitch[] = "temp-folder";
inline constexpr char kComponentsSwitch[] = "components";
inline constexpr char kVerbositySwitch[] = "v";
inline constexpr char kServerTrackingDataSwitch[] = "server-tracking-data";
// Statistics go to the local test server (127.0.0.1 port 9000) instead of
// the production one.
inline constexpr char kTestAvroServerSwitch[] = "test-avro-srv";
inline constexpr char kImportBookmarksSwitch[] = "import-bookmarks";
inline constexpr char kImportSessionSwitch[] = "import-session";
inline constexpr char kImportTopSitesSwitch[] = "import-topsites-to-startpage";

// Tracking values given by whoever started the installer: "otd" holds
// comma-separated "key:value" pairs; "medium" and "niuid" one value each.
inline constexpr char kOtdSwitch[] = "otd";
inline constexpr char kMediumSwitch[] = "medium";
inline constexpr char kNiuidSwitch[] = "niuid";

// What the main process tells the backend it starts: itself (its process id,
// and an inheritable handle of itself as 16 upper-case hexadecimal digits of
// the handle's 8 little-endian bytes), the tracking data file name, the crash
// reporter's process id, and the additional components to install
// ("assistant:<folder name>").
inline constexpr char kInitialProcHandleSwitch[] = "initial-proc-handle";
inline constexpr char kCrashReporterPidSwitch[] = "crash-reporter-pid";

// The elevation and folder-permission roads of a backend: the package's
// installer run only for what the user's own process must do after an
// elevated installation, the backend that started an elevated copy, the mark
// of that elevated copy, and the elevated folder-permission helper (the
// folder, the account to grant, whether for good, and whether it also starts
// the uninstall clean-up script).
inline constexpr char kPostElevatedInstallTasksSwitch[] = "post-elevated-install-tasks";
inline constexpr char kParentPidSwitch[] = "parent-pid";
inline constexpr char kRunElevatedSwitch[] = "run-elevated";
inline constexpr char kSetFolderPermissionSwitch[] = "set-folder-permission";
inline constexpr char kPermissionsForUserSwitch[] = "permissions-for-user";
inline constexpr char kPermanentPermissionsSwitch[] = "permanent-permissions";
inline constexpr char kRunUninstallBatSwitch[] = "run-uninstall-bat";

// What a run of the installer does, by number as the processes report it.
enum class InstallerMode : uint32_t {
  kInstall = 0,
  kUninstall = 1,
  kFixDownloadableResources = 2,
  kRegisterProtocolHandler = 3,
};

// The mode that `command_line` asks for. Several mode switches may stand
// together; the first of fix-downloadable-resources,
// register-velta-as-protocol-handler and uninstall wins, and none means
// kInstall. The interprocess state and the installer utilities both decide
// with it, so they always agree.
InstallerMode GetInstallerModeFromSwitches(const base::CommandLine& command_line);

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_COMMON_PRODUCT_INSTALLER_SWITCHES_H_
