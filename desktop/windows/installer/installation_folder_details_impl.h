// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_INSTALLATION_FOLDER_DETAILS_IMPL_H_
#define DESKTOP_WINDOWS_INSTALLER_INSTALLATION_FOLDER_DETAILS_IMPL_H_

#include <memory>
#include <string>
#include <vector>

#include "desktop/windows/installer/installation_folder_details.h"

namespace velta {

class TaskbandUtils;

// The real details. Initialize asks the file system, the status loader, the
// operating-system wrapper (drives), the security utilities (write access),
// the taskbar utilities (pins), the installation's preference files and the
// autoupdate global storage.
class InstallationFolderDetailsImpl : public InstallationFolderDetails {
 public:
  explicit InstallationFolderDetailsImpl(std::unique_ptr<TaskbandUtils> taskband_utils);
  ~InstallationFolderDetailsImpl() override;

  void Initialize(const base::FilePath& path, StatusRecoveryMode recovery_mode) override;

  const InstallationStatus* GetExistingInstallation() const override;
  const base::FilePath& GetPath() const override;
  const base::FilePath& GetValidParent() const override;
  InstallFolderProblem GetInstallationFolderProblem() const override;
  std::vector<DriveSpaceNeeded> GetLowDiskSpace() const override;
  bool HasExistingInstallation() const override;
  bool HasExistingInstallationTraces() const override;
  const std::string& GetStatusText1() const override;
  const std::string& GetStatusText2() const override;
  const std::string& GetWelcomeUrl() const override;
  bool IsDesktopShortcutExists() const override;
  std::optional<bool> GetEnableStats() const override;
  bool HasWriteAccess() const override;
  std::optional<bool> GetImportBrowserData() const override;
  bool IsHttpHandler() const override;
  const std::string& GetCountry() const override;
  const std::wstring& GetLanguage() const override;
  uint32_t GetOldProductType() const override;
  const std::vector<base::FilePath>& GetPinnedShortcutPaths() const override;
  const std::vector<base::FilePath>& GetPinnedAppIdPaths() const override;
  const base::FilePath& GetProfilePath() const override;
  bool IsQuickLaunchShortcutExists() const override;
  const base::FilePath& GetTemporaryShortcutFolder() const override;
  bool IsTemporaryShortcutFolderExists() const override;
  const std::string& GetTrackingData() const override;
  bool ShouldRecreateDesktopShortcut() const override;
  bool ShouldRecreatePinnedShortcut() const override;
  bool ShouldRecreateQuickLaunchShortcut() const override;
  bool ShouldRecreateStartMenuShortcut() const override;
  std::optional<bool> GetSingleProfile() const override;
  bool IsStartMenuShortcutExists() const override;
  bool GetExperimentState(std::string_view feature) const override;
  std::string GetUuid() const override;

 private:
  // Checks the path; false (problem kInvalidPath kept) when it is unusable.
  bool CheckPath();
  // Loads the status of an existing folder, or finds the nearest existing
  // folder above a missing one.
  void FindStatusOrValidParent(StatusRecoveryMode recovery_mode);
  // The drives short of the space an installation needs.
  void CheckDiskSpace();
  // Everything else, for a usable path.
  void Gather();
  // The shortcut survey for one target; `is_old_target` marks what it finds
  // as to be made anew.
  void SurveyShortcuts(const base::FilePath& target, bool is_old_target);
  void ReadInstallerPrefs();
  // The country, language and statistics choice of the profile in
  // status_.profile_path.
  void ReadProfile();

  const std::unique_ptr<TaskbandUtils> taskband_utils_;
  std::unique_ptr<InstallationStatus> existing_status_;
  InstallationFolderStatus status_;
  base::FilePath path_;
  base::FilePath valid_parent_;
  std::string status_text_1_;
  std::string status_text_2_;
  InstallFolderProblem installation_folder_problem_ = InstallFolderProblem::kNone;
  std::vector<DriveSpaceNeeded> low_disk_space_;
  bool existing_installation_traces_ = false;
};

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_INSTALLATION_FOLDER_DETAILS_IMPL_H_
