// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_STEPS_TEST_INSTALLER_CONTEXT_H_
#define DESKTOP_WINDOWS_INSTALLER_STEPS_TEST_INSTALLER_CONTEXT_H_

#include <windows.h>
#include <stdint.h>

#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/files/file_path.h"
#include "base/files/scoped_temp_dir.h"
#include "base/win/scoped_handle.h"
#include "desktop/windows/installer/flow/installer_context.h"
#include "desktop/windows/installer/installation_folder_details.h"
#include "desktop/windows/installer/settings.h"
#include "desktop/windows/installer/status/installation_status.h"
#include "desktop/windows/installer/steps/installer_step.h"
#include "desktop/windows/installer/transactions/operation_factory.h"
#include "desktop/windows/installer/transactions/placeholder_resolver.h"
#include "desktop/windows/installer/transactions/transaction.h"

namespace velta::test {

// Settings whose answers are the public fields; every setter takes the value.
class TestSettings : public Settings {
 public:
  TestSettings();
  ~TestSettings() override;

  bool option(SettingsOption bit) const { return (options >> static_cast<uint32_t>(bit)) & 1; }
  void set_option(SettingsOption bit, bool value);

  base::FilePath GetDefaultInstallFolder(uint32_t source_mask) const override;
  std::vector<base::FilePath> GetDefaultInstallFolders() const override;
  InstallOperation GetOperation() const override { return operation; }
  InstallFolderProblem GetInstallFolderProblem() const override;
  StatsSettings GetStatsRecord() const override;
  const InstallationFolderDetails* GetFolderDetails() const override { return folder_details; }
  bool IsFetchingFolderDetails() const override { return false; }
  void AddObserver(SettingsObserver*) override {}
  void RemoveObserver(SettingsObserver*) override {}
  bool SetLaunchVelta(bool v) override { return Set(SettingsOption::LAUNCH_VELTA, v); }
  bool SetDefaultBrowser(bool v) override { return Set(SettingsOption::DEFAULT_BROWSER, v); }
  bool SetImportBrowserData(bool v) override {
    return Set(SettingsOption::IMPORT_BROWSER_DATA, v);
  }
  bool SetEnableStats(bool v) override { return Set(SettingsOption::ENABLE_VELTA_STATS, v); }
  bool SetDesktopShortcut(bool v) override { return Set(SettingsOption::DESKTOP_SHORTCUT, v); }
  bool SetStartMenuShortcut(bool v) override {
    return Set(SettingsOption::START_MENU_SHORTCUT, v);
  }
  bool SetQuickLaunchShortcut(bool v) override {
    return Set(SettingsOption::QUICK_LAUNCH_SHORTCUT, v);
  }
  bool SetDeleteProfile(bool v) override { return Set(SettingsOption::DELETE_PROFILE, v); }
  bool SetInstallAssistant(bool v) override { return Set(SettingsOption::INSTALL_ASSISTANT, v); }
  bool SetReinstall(bool v) override { return Set(SettingsOption::REINSTALL, v); }
  bool SetMode(InstallMode mode) override;
  bool CanSetMode() const override { return true; }
  bool CanSetDefaultBrowser() const override { return true; }
  bool CanSetShortcuts() const override { return true; }
  bool IsNewInstallation() const override {
    return operation == InstallOperation::kNewInstallation;
  }
  bool HasNoDuplicateStreamInstalls() const override { return true; }
  bool SetCopyOnly(bool v) override { return Set(SettingsOption::COPY_ONLY, v); }
  bool SetSingleProfile(bool v) override { return Set(SettingsOption::SINGLE_PROFILE, v); }
  bool SetAllUsers(bool v) override { return Set(SettingsOption::ALL_USERS_FLAG, v); }
  void SetInstallFolder(const std::wstring& folder) override {
    install_folder = base::FilePath(folder);
  }
  void RefreshFolderDetails() override {}
  void SetInstallLanguage(const std::wstring& value) override { language = value; }
  bool IsLaunchVelta() const override { return option(SettingsOption::LAUNCH_VELTA); }
  bool IsDefaultBrowser() const override { return option(SettingsOption::DEFAULT_BROWSER); }
  bool IsImportBrowserData() const override {
    return option(SettingsOption::IMPORT_BROWSER_DATA);
  }
  bool IsInstallerStatsEnabled() const override {
    return option(SettingsOption::ENABLE_INSTALLER_STATS);
  }
  bool IsVeltaStatsEnabled() const override { return option(SettingsOption::ENABLE_VELTA_STATS); }
  bool IsDesktopShortcut() const override { return option(SettingsOption::DESKTOP_SHORTCUT); }
  bool IsStartMenuShortcut() const override {
    return option(SettingsOption::START_MENU_SHORTCUT);
  }
  bool IsQuickLaunchShortcut() const override {
    return option(SettingsOption::QUICK_LAUNCH_SHORTCUT);
  }
  bool IsPinnedShortcut() const override { return option(SettingsOption::PINNED_SHORTCUT); }
  bool IsDeleteProfile() const override { return option(SettingsOption::DELETE_PROFILE); }
  bool IsInstallAssistant() const override { return option(SettingsOption::INSTALL_ASSISTANT); }
  bool IsReinstall() const override { return option(SettingsOption::REINSTALL); }
  InstallMode GetInstallMode() const override;
  bool IsCopyOnly() const override { return option(SettingsOption::COPY_ONLY); }
  bool IsSingleProfile() const override { return option(SettingsOption::SINGLE_PROFILE); }
  bool IsAllUsers() const override { return option(SettingsOption::ALL_USERS_FLAG); }
  base::FilePath GetInstallFolder() const override { return install_folder; }
  const std::wstring& GetLanguage() const override { return language; }
  const base::FilePath& GetProfileFolder() const override { return profile_folder; }
  void AppendImportSwitches(base::CommandLine*) const override {}
  void AppendToCommandLine(bool, base::CommandLine*) const override {}
  bool IsEditable() const override { return false; }
  void SetEditable(bool) override {}
  PackageArchitecture GetArchitecture() const override { return PackageArchitecture::kX64; }
  bool IsRunningFromPackage() const override { return true; }
  bool ShouldRunImmediately() const override { return true; }
  bool IsUninstallSurveyCountry() const override { return uninstall_survey_country; }
  SettingsCheck GetSettingsCheck() const override;

  uint32_t options = 0;
  InstallOperation operation = InstallOperation::kNewInstallation;
  base::FilePath install_folder;
  std::wstring language;
  base::FilePath profile_folder;
  const InstallationFolderDetails* folder_details = nullptr;
  // Where the window offers the survey, the finalize step starts no
  // browser: tests leave real browsers alone unless they ask.
  bool uninstall_survey_country = true;

 private:
  bool Set(SettingsOption bit, bool value) {
    set_option(bit, value);
    return true;
  }
};

// Folder details that answer `status` and `existing`.
class TestFolderDetails : public InstallationFolderDetails {
 public:
  TestFolderDetails();
  ~TestFolderDetails() override;

  void Initialize(const base::FilePath& folder, StatusRecoveryMode) override { path = folder; }
  const InstallationStatus* GetExistingInstallation() const override { return existing.get(); }
  const base::FilePath& GetPath() const override { return path; }
  const base::FilePath& GetValidParent() const override { return path; }
  InstallFolderProblem GetInstallationFolderProblem() const override;
  std::vector<DriveSpaceNeeded> GetLowDiskSpace() const override { return {}; }
  bool HasExistingInstallation() const override { return existing != nullptr; }
  bool HasExistingInstallationTraces() const override { return false; }
  const std::string& GetStatusText1() const override { return empty_; }
  const std::string& GetStatusText2() const override { return empty_; }
  const std::string& GetWelcomeUrl() const override { return status.welcome_url; }
  bool IsDesktopShortcutExists() const override { return status.desktop_shortcut_exists; }
  std::optional<bool> GetEnableStats() const override { return status.enable_stats; }
  bool HasWriteAccess() const override { return true; }
  std::optional<bool> GetImportBrowserData() const override { return status.import_browser_data; }
  bool IsHttpHandler() const override { return status.is_http_handler; }
  const std::string& GetCountry() const override { return status.country; }
  const std::wstring& GetLanguage() const override { return status.language; }
  uint32_t GetOldProductType() const override { return status.old_product_type; }
  const std::vector<base::FilePath>& GetPinnedShortcutPaths() const override {
    return status.pinned_shortcut_paths;
  }
  const std::vector<base::FilePath>& GetPinnedAppIdPaths() const override {
    return status.pinned_app_id_paths;
  }
  const base::FilePath& GetProfilePath() const override { return status.profile_path; }
  bool IsQuickLaunchShortcutExists() const override { return status.quick_launch_shortcut_exists; }
  const base::FilePath& GetTemporaryShortcutFolder() const override {
    return status.temporary_shortcut_folder;
  }
  bool IsTemporaryShortcutFolderExists() const override {
    return status.temporary_shortcut_folder_exists;
  }
  const std::string& GetTrackingData() const override { return status.tracking_data; }
  bool ShouldRecreateDesktopShortcut() const override { return status.recreate_desktop_shortcut; }
  bool ShouldRecreatePinnedShortcut() const override { return status.recreate_pinned_shortcut; }
  bool ShouldRecreateQuickLaunchShortcut() const override {
    return status.recreate_quick_launch_shortcut;
  }
  bool ShouldRecreateStartMenuShortcut() const override {
    return status.recreate_start_menu_shortcut;
  }
  std::optional<bool> GetSingleProfile() const override { return status.single_profile; }
  bool IsStartMenuShortcutExists() const override { return status.start_menu_shortcut_exists; }
  bool GetExperimentState(std::string_view) const override { return false; }
  std::string GetUuid() const override { return status.uuid; }

  base::FilePath path;
  InstallationFolderStatus status;
  std::unique_ptr<InstallationStatus> existing;

 private:
  const std::string empty_;
};

// The installer as the steps see it, on real folders below a scratch folder
// of its own: "install" (the install folder), "install\<version>" (the
// target folder), "package"; a real transaction and the real operations
// (with the process-wide security utilities). It also resolves the registry
// templates' placeholders from `placeholders`, "{Uninstall}" from the
// scheduler text, and records written values in the new status while
// recording is on.
class TestInstallerContext : public InstallerContext, public PlaceholderResolver {
 private:
  // First, so that the transaction commits while the folders still exist.
  base::ScopedTempDir scratch_;
  base::FilePath install_folder_;
  base::FilePath target_folder_;
  base::FilePath package_dir_;

 public:
  static constexpr wchar_t kSubfolder[] = L"1.2.3.4";

  TestInstallerContext();
  ~TestInstallerContext() override;

  // False when the folders could not be made (the test should stop).
  bool is_valid() const { return is_valid_; }

  const base::FilePath& install_folder() const { return install_folder_; }
  const base::FilePath& target_folder() const { return target_folder_; }
  const base::FilePath& package_dir() const { return package_dir_; }
  const base::FilePath& scratch() const { return scratch_.GetPath(); }

  // InstallerContext:
  Settings* GetSettings() override { return &settings; }
  InstallOperation GetInstallOperation() override { return settings.operation; }
  Transaction* GetTransaction() override { return &transaction; }
  OperationFactory* GetOperationFactory() override { return factory; }
  InstallationStatus* GetExistingInstallation() override { return folder_details.existing.get(); }
  void GetInstallTargetFolder(base::FilePath* folder) override { *folder = target_folder_; }
  void GetPackageDir(base::FilePath* folder) override { *folder = package_dir_; }
  void GetVersionFolder(base::FilePath* folder) override { *folder = target_folder_; }
  void GetInstallFolder(base::FilePath* folder) override { *folder = install_folder_; }
  void GetInstallPath(base::FilePath* folder) override { *folder = install_folder_; }
  InstallationStatus* GetNewInstallationStatus() override { return &new_status; }
  InstallationFolderDetails* GetFolderDetails() override { return &folder_details; }
  uint32_t GetSecondInstallerPid() const override { return second_installer_pid; }
  PlaceholderResolver* GetPlaceholderResolver() override { return this; }
  void StartRegistryRecording() override { recording = true; }
  void StopRegistryRecording() override { recording = false; }
  void ReportImportantEvent(const std::string& name) override { events.push_back(name); }
  bool HasExistingInstallation() override { return folder_details.HasExistingInstallation(); }
  bool IsMinimalInstall() override;
  bool IsRunningFromTargetFolder() override { return running_from_target_folder; }
  bool HasPackageDir() override { return has_package_dir; }
  bool HasPendingPermissionUndo() const override { return false; }

  // PlaceholderResolver:
  std::wstring GetPlaceholderValue(const std::wstring& name) override;
  std::vector<RegistryKeyEntry>* GetRegistryRecord(HKEY root) override;

  TestSettings settings;
  TestFolderDetails folder_details;
  InstallationStatus new_status{StatusSource::kGenerated};
  OperationFactory real_factory;
  // The factory handed out; `real_factory` unless a test puts another.
  OperationFactory* factory = &real_factory;
  Transaction transaction;
  std::wstring scheduler_text;
  std::map<std::wstring, std::wstring> placeholders;
  std::vector<std::string> events;
  bool recording = false;
  bool running_from_target_folder = false;
  bool has_package_dir = false;
  uint32_t second_installer_pid = 0;

 private:
  bool is_valid_ = false;
};

// Starts the installer's task scheduler (the preference writes need it)
// unless one runs; it is kept for the whole test process, since the
// process-wide runner map keeps the runners it handed out.
void EnsureTaskScheduler();

// Runs `step` once at `attempt` and answers its result.
StepResult RunStep(InstallerStep& step, int32_t attempt = 0);

// Opens `path` without sharing, as a program that holds a file does: until
// the handle closes the file can be neither moved nor deleted.
base::win::ScopedHandle HoldWithoutSharing(const base::FilePath& path);

// Writes `text` to `path`, making its folders; false when that fails.
bool WriteFileWithFolders(const base::FilePath& path, const std::string& text);

}  // namespace velta::test

#endif  // DESKTOP_WINDOWS_INSTALLER_STEPS_TEST_INSTALLER_CONTEXT_H_
