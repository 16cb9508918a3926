// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_SETTINGS_IMPL_H_
#define DESKTOP_WINDOWS_INSTALLER_SETTINGS_IMPL_H_

#include <stdint.h>

#include <bitset>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/files/file_path.h"
#include "base/memory/scoped_refptr.h"
#include "base/memory/weak_ptr.h"
#include "base/observer_list.h"
#include "desktop/windows/installer/installation_folder_details.h"
#include "desktop/windows/installer/settings.h"

namespace velta {

// The name of option bit `bit` ("COPY_ONLY" ... "DELETE_PROFILE"); "" for
// REINSTALL and any other number.
const char* GetSettingsOptionName(uint32_t bit);

// The one implementation of Settings. Its first values come, in this order,
// from the registry's last install paths, the drives a standalone copy could
// go to, the system language, the command line (or, when uninstalling, the
// current installation), the tracking data, and the details of the first
// folder chosen (settings_impl_sources.cc). Main thread only; the details
// fetcher must reply on it.
class SettingsImpl : public Settings {
 public:
  // A drive's priority for a standalone copy; smaller is better, and only
  // candidates up to kMaxStandalonePriority can be chosen.
  static constexpr int kDesktopStandalonePriority = 5;
  static constexpr int kMaxStandalonePriority = 6;

  // `command_line_folder`: the `installfolder` value (empty when absent).
  // `architecture`: the package's. `has_payload_reader`: false inside a
  // package. `fetcher_factory` makes the fetchers of folder
  // details. Gathers the first folder's details at once.
  SettingsImpl(const base::FilePath& command_line_folder,
               PackageArchitecture architecture,
               bool has_payload_reader,
               InstallationFolderDetailsFetcherFactory fetcher_factory);
  ~SettingsImpl() override;

  // Settings:
  base::FilePath GetDefaultInstallFolder(uint32_t source_mask) const override;
  std::vector<base::FilePath> GetDefaultInstallFolders() const override;
  InstallOperation GetOperation() const override;
  InstallFolderProblem GetInstallFolderProblem() const override;
  StatsSettings GetStatsRecord() const override;
  const InstallationFolderDetails* GetFolderDetails() const override;
  bool IsFetchingFolderDetails() const override;
  void AddObserver(SettingsObserver* observer) override;
  void RemoveObserver(SettingsObserver* observer) override;
  bool SetLaunchVelta(bool value) override;
  bool SetDefaultBrowser(bool value) override;
  bool SetImportBrowserData(bool value) override;
  bool SetEnableStats(bool value) override;
  bool SetDesktopShortcut(bool value) override;
  bool SetStartMenuShortcut(bool value) override;
  bool SetQuickLaunchShortcut(bool value) override;
  bool SetDeleteProfile(bool value) override;
  bool SetInstallAssistant(bool value) override;
  bool SetReinstall(bool value) override;
  bool SetMode(InstallMode mode) override;
  bool CanSetMode() const override;
  bool CanSetDefaultBrowser() const override;
  bool CanSetShortcuts() const override;
  bool IsNewInstallation() const override;
  bool HasNoDuplicateStreamInstalls() const override;
  bool SetCopyOnly(bool value) override;
  bool SetSingleProfile(bool value) override;
  bool SetAllUsers(bool value) override;
  void SetInstallFolder(const std::wstring& folder) override;
  void RefreshFolderDetails() override;
  void SetInstallLanguage(const std::wstring& language) override;
  bool IsLaunchVelta() const override;
  bool IsDefaultBrowser() const override;
  bool IsImportBrowserData() const override;
  bool IsInstallerStatsEnabled() const override;
  bool IsVeltaStatsEnabled() const override;
  bool IsDesktopShortcut() const override;
  bool IsStartMenuShortcut() const override;
  bool IsQuickLaunchShortcut() const override;
  bool IsPinnedShortcut() const override;
  bool IsDeleteProfile() const override;
  bool IsInstallAssistant() const override;
  bool IsReinstall() const override;
  InstallMode GetInstallMode() const override;
  bool IsCopyOnly() const override;
  bool IsSingleProfile() const override;
  bool IsAllUsers() const override;
  base::FilePath GetInstallFolder() const override;
  const std::wstring& GetLanguage() const override;
  const base::FilePath& GetProfileFolder() const override;
  void AppendImportSwitches(base::CommandLine* command_line) const override;
  void AppendToCommandLine(bool suppress_launch, base::CommandLine* command_line) const override;
  bool IsEditable() const override;
  void SetEditable(bool editable) override;
  PackageArchitecture GetArchitecture() const override;
  bool IsRunningFromPackage() const override;
  bool ShouldRunImmediately() const override;
  bool IsUninstallSurveyCountry() const override;
  SettingsCheck GetSettingsCheck() const override;

  // The boolean switch rule: "yes" or "true" in any case, or a decimal
  // number other than 0 (leading blanks and a sign allowed, reading stops at
  // the first other character), is on; anything else, "" included, is off.
  static bool ParseBoolSwitchValue(const std::wstring& value);

  // Sources (settings_impl_sources.cc), public for tests.
  // Reads the option switches of the process's command line (editable only).
  void InitFromCommandLine();
  // Sets `option` from switch `name` when present (no log, no notice).
  bool ReadBoolSwitch(SettingsOption option, const char* name);
  // The last install path of the company key, or empty.
  base::FilePath ReadInstallFolderFromRegistry() const;
  // The best folder for a standalone copy, if any.
  std::optional<base::FilePath> GetStandaloneFolder() const;
  // Clears HasNoDuplicateStreamInstalls when two uninstall keys of this
  // build's stream exist.
  void ScanUninstallKeys();

 private:
  // One explicit choice of the user: set, and its value.
  struct Choice {
    bool is_set = false;
    bool value = false;
  };

  // The default folder from `source_mask` for the given options.
  base::FilePath ComputeDefaultInstallFolder(uint32_t source_mask, bool all_users,
                                             bool copy_only) const;
  bool GetOption(SettingsOption option) const;
  // Changes the bit without a log or a notice.
  void WriteOption(SettingsOption option, bool value);
  // The one path of the setters: refused while not editable; logs and tells
  // every observer, even when the bit did not change.
  bool SetOption(SettingsOption option, bool value);
  // COPY_ONLY on clears the integration options; off sets the shortcut
  // options from their switches, or on. Nobody is told.
  void ApplyCopyOnlyRule(bool value);
  // Changes the folder to the one `typed` names (its canonical form,
  // CanonicalInstallFolder) and gathers its details, unless it is the
  // current one.
  void ChangeInstallFolder(const base::FilePath& typed);
  // Starts a fetch of the details of the folder `typed` names (its
  // canonical form); a pending one is dropped. `is_first_x64_probe`: see
  // OnFirstFolderProbed.
  void GatherFolderDetails(const base::FilePath& typed, bool is_first_x64_probe);
  void OnFolderDetailsGathered(bool is_first_x64_probe,
                               std::unique_ptr<InstallationFolderDetails> details);
  // The registry's folder inside the 32-bit program files folder of an X64
  // package: kept when an installation is there, else the standard folder.
  void OnFirstFolderProbed(std::unique_ptr<InstallationFolderDetails> details);
  void ApplyFolderDetails(std::unique_ptr<InstallationFolderDetails> details);
  // Raises "status_parsed" for the folder's existing installation.
  void ReportStatusParsed() const;
  void ChooseFirstFolder();
  void LogFolderDetails() const;
  void LogOptions() const;
  // Selects the installer's best language for `language` and writes the
  // chosen code back.
  void SelectLanguage(std::wstring* language) const;
  template <typename Method>
  void NotifyObservers(Method method);

  InstallOperation operation_ = InstallOperation::kNotDecided;
  InstallFolderProblem install_folder_problem_ = InstallFolderProblem::kNone;
  std::bitset<kSettingsOptionCount> options_;
  std::wstring install_language_;
  std::unique_ptr<InstallationFolderDetails> folder_details_;
  scoped_refptr<InstallationFolderDetailsFetcher> pending_fetcher_;
  const InstallationFolderDetailsFetcherFactory fetcher_factory_;
  base::ObserverList<SettingsObserver> observers_;
  bool editable_ = true;
  bool no_duplicate_stream_installs_ = true;
  // Both in their canonical form (CanonicalInstallFolder).
  const base::FilePath command_line_folder_;
  base::FilePath registry_folder_;
  base::FilePath profile_folder_;
  std::optional<base::FilePath> standalone_folder_;
  const PackageArchitecture architecture_;
  Choice default_browser_choice_;
  Choice import_choice_;
  Choice stats_choice_;
  const bool without_payload_reader_;
  bool run_immediately_ = false;

  base::WeakPtrFactory<SettingsImpl> weak_factory_{this};
};

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_SETTINGS_IMPL_H_
