// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_SETTINGS_H_
#define DESKTOP_WINDOWS_INSTALLER_SETTINGS_H_

#include <stdint.h>

#include <string>
#include <vector>

#include "base/files/file_path.h"
#include "desktop/windows/installer/common/installer_utils.h"
#include "desktop/windows/installer/common/product/architecture_names.h"

namespace base {
class CommandLine;
}

namespace velta {

class InstallationFolderDetails;
struct StatsSettings;

// The install options, by their bit in the settings' option set. The names
// are also the texts the log shows for them.
enum class SettingsOption : uint32_t {
  // A standalone copy: files only, no system integration.
  COPY_ONLY = 0,
  // The browser keeps its profile inside the install folder.
  SINGLE_PROFILE = 1,
  // Start the browser when the installation ends.
  LAUNCH_VELTA = 2,
  ALL_USERS_FLAG = 3,
  DEFAULT_BROWSER = 4,
  IMPORT_BROWSER_DATA = 5,
  // Run the assistant component's installer.
  INSTALL_ASSISTANT = 6,
  // The browser, and the installer, may send usage statistics.
  ENABLE_VELTA_STATS = 7,
  ENABLE_INSTALLER_STATS = 8,
  DESKTOP_SHORTCUT = 9,
  START_MENU_SHORTCUT = 10,
  QUICK_LAUNCH_SHORTCUT = 11,
  PINNED_SHORTCUT = 12,
  // Uninstall only: delete the user's profile too.
  DELETE_PROFILE = 13,
  // The user chose to reinstall; the controller starts the installer again.
  REINSTALL = 14,
};
inline constexpr uint32_t kSettingsOptionCount = 15;

// Who an installation is for; derived from COPY_ONLY and ALL_USERS_FLAG.
enum class InstallMode : uint32_t {
  kAllUsers = 0,
  kCurrentUser = 1,
  kStandalone = 2,
};

// What the run will do with the chosen folder; it selects the job's steps.
enum class InstallOperation : uint32_t {
  kNotDecided = 0,
  kNewInstallation = 1,
  kOverExistingInstallation = 2,
  kUninstall = 3,
  kRegisterProtocolHandler = 4,
  kRepairDownloadableResources = 5,
};

// Hears of changes of the settings, on the main thread.
class SettingsObserver {
 public:
  virtual ~SettingsObserver() = default;
  // After an option changed through a setter.
  virtual void OnStatsSettingChanged() = 0;
  virtual void OnLanguageChanged() = 0;
  // After new folder details were applied, also when the folder turned out
  // unusable (see GetInstallFolderProblem).
  virtual void OnPathChanged() = 0;
};

// Every user-visible choice of one installer run: the options, the install
// folder (through the details of that folder), the language, the profile
// folder, the package architecture, the operation and whether the folder
// can be used. The window changes them through the setters, which answer
// false when a rule refuses the change; the main-process runner writes them
// out as the backend's switches, and the backend reads them back.
//
// RunInstaller owns the one settings object of a process; it is made and used
// on the main thread only. Folder details are gathered on a worker and
// applied here when they arrive; a later folder supersedes an earlier one.
class Settings {
 public:
  // Bits of the source mask of GetDefaultInstallFolder.
  static constexpr uint32_t kStandardFolderSource = 1;
  static constexpr uint32_t kRegistrySource = 2;
  static constexpr uint32_t kCommandLineSource = 4;

  Settings(const Settings&) = delete;
  Settings& operator=(const Settings&) = delete;
  virtual ~Settings() = default;

  // The folder the sources in `source_mask` give for the current
  // architecture, ALL_USERS_FLAG and COPY_ONLY; empty when none does.
  virtual base::FilePath GetDefaultInstallFolder(uint32_t source_mask) const = 0;
  // One folder: the standalone one with COPY_ONLY (empty when there is
  // none), else the registry's or the standard one as if COPY_ONLY were off.
  virtual std::vector<base::FilePath> GetDefaultInstallFolders() const = 0;
  virtual InstallOperation GetOperation() const = 0;
  virtual InstallFolderProblem GetInstallFolderProblem() const = 0;
  virtual StatsSettings GetStatsRecord() const = 0;
  // Never null; owned by the settings and replaced when new details arrive.
  virtual const InstallationFolderDetails* GetFolderDetails() const = 0;
  virtual bool IsFetchingFolderDetails() const = 0;
  // `observer` (not owned) must be removed before it dies.
  virtual void AddObserver(SettingsObserver* observer) = 0;
  virtual void RemoveObserver(SettingsObserver* observer) = 0;

  virtual bool SetLaunchVelta(bool value) = 0;
  // Records the user's explicit choice, which later folder details respect.
  virtual bool SetDefaultBrowser(bool value) = 0;
  virtual bool SetImportBrowserData(bool value) = 0;
  // Both statistics options.
  virtual bool SetEnableStats(bool value) = 0;
  virtual bool SetDesktopShortcut(bool value) = 0;
  virtual bool SetStartMenuShortcut(bool value) = 0;
  virtual bool SetQuickLaunchShortcut(bool value) = 0;
  // Uninstall only.
  virtual bool SetDeleteProfile(bool value) = 0;
  virtual bool SetInstallAssistant(bool value) = 0;
  virtual bool SetReinstall(bool value) = 0;
  // Changes COPY_ONLY, ALL_USERS_FLAG and SINGLE_PROFILE together; a folder
  // the user kept at its default follows the mode's default.
  virtual bool SetMode(InstallMode mode) = 0;
  virtual bool CanSetMode() const = 0;
  virtual bool CanSetDefaultBrowser() const = 0;
  virtual bool CanSetShortcuts() const = 0;
  virtual bool IsNewInstallation() const = 0;
  // False once the uninstall keys showed two installations of this stream.
  virtual bool HasNoDuplicateStreamInstalls() const = 0;
  virtual bool SetCopyOnly(bool value) = 0;
  virtual bool SetSingleProfile(bool value) = 0;
  virtual bool SetAllUsers(bool value) = 0;
  // Starts gathering the details of `folder` unless it is the current one.
  virtual void SetInstallFolder(const std::wstring& folder) = 0;
  // Gathers the current folder's details again.
  virtual void RefreshFolderDetails() = 0;
  // Selects the best language the installer has for `language`.
  virtual void SetInstallLanguage(const std::wstring& language) = 0;

  virtual bool IsLaunchVelta() const = 0;
  virtual bool IsDefaultBrowser() const = 0;
  virtual bool IsImportBrowserData() const = 0;
  virtual bool IsInstallerStatsEnabled() const = 0;
  virtual bool IsVeltaStatsEnabled() const = 0;
  virtual bool IsDesktopShortcut() const = 0;
  virtual bool IsStartMenuShortcut() const = 0;
  virtual bool IsQuickLaunchShortcut() const = 0;
  virtual bool IsPinnedShortcut() const = 0;
  virtual bool IsDeleteProfile() const = 0;
  // Whether the uninstall page offers to delete the user's data: always.
  virtual bool ShowsDeleteProfileOption() const { return true; }
  virtual bool IsInstallAssistant() const = 0;
  virtual bool IsReinstall() const = 0;
  virtual InstallMode GetInstallMode() const = 0;
  virtual bool IsCopyOnly() const = 0;
  virtual bool IsSingleProfile() const = 0;
  virtual bool IsAllUsers() const = 0;
  virtual base::FilePath GetInstallFolder() const = 0;
  virtual const std::wstring& GetLanguage() const = 0;
  virtual const base::FilePath& GetProfileFolder() const = 0;
  // Copies the import switches of the process's command line, with their
  // values, into `command_line`.
  virtual void AppendImportSwitches(base::CommandLine* command_line) const = 0;
  // The settings as the switches of a backend process (a command line
  // without a program); `suppress_launch` writes `launchvelta` as off.
  virtual void AppendToCommandLine(bool suppress_launch, base::CommandLine* command_line) const = 0;
  virtual bool IsEditable() const = 0;
  // While not editable, every change but the explicit choices is refused.
  virtual void SetEditable(bool editable) = 0;
  // kX86 or kX64.
  virtual PackageArchitecture GetArchitecture() const = 0;
  // No payload reader was given: the process runs inside a package.
  virtual bool IsRunningFromPackage() const = 0;
  virtual bool ShouldRunImmediately() const = 0;
  // The folder's country is one where the uninstall survey is offered.
  virtual bool IsUninstallSurveyCountry() const = 0;

  // What ValidateInstallerSettings (common/installer_utils.h) checks, with the drive text in the
  // user's language.
  virtual SettingsCheck GetSettingsCheck() const = 0;

 protected:
  Settings() = default;
};

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_SETTINGS_H_
