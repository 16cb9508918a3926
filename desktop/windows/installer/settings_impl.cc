// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/settings_impl.h"

#include <utility>

#include "base/bind.h"
#include "base/command_line.h"
#include "base/features/feature_states.h"
#include "base/logging.h"
#include "base/strings/string_util.h"
#include "base/strings/utf_string_conversions.h"
#include "desktop/windows/installer/avro_stats/avro_stats_sender.h"
#include "desktop/windows/installer/avro_stats/stats_settings.h"
#include "desktop/windows/installer/avro_stats/status_data.h"
#include "desktop/windows/installer/avro_stats/status_parsed_event.h"
#include "desktop/windows/installer/common/install_folder_path.h"
#include "desktop/windows/installer/common/product/installer_switches.h"
#include "desktop/windows/installer/common/win/security_utils.h"
#include "desktop/windows/installer/interprocess_state.h"
#include "desktop/windows/l10n_handler/l10n_handler.h"

namespace velta {
namespace {

constexpr const char* kOptionNames[] = {
    "COPY_ONLY",
    "SINGLE_PROFILE",
    "LAUNCH_VELTA",
    "ALL_USERS_FLAG",
    "DEFAULT_BROWSER",
    "IMPORT_BROWSER_DATA",
    "INSTALL_ASSISTANT",
    "ENABLE_VELTA_STATS",
    "ENABLE_INSTALLER_STATS",
    "DESKTOP_SHORTCUT",
    "START_MENU_SHORTCUT",
    "QUICK_LAUNCH_SHORTCUT",
    "PINNED_SHORTCUT",
    "DELETE_PROFILE",
};

// The options in the order the log lists them.
constexpr SettingsOption kLoggedOptions[] = {
    SettingsOption::ALL_USERS_FLAG,        SettingsOption::COPY_ONLY,
    SettingsOption::DEFAULT_BROWSER,       SettingsOption::ENABLE_INSTALLER_STATS,
    SettingsOption::ENABLE_VELTA_STATS,    SettingsOption::IMPORT_BROWSER_DATA,
    SettingsOption::LAUNCH_VELTA,          SettingsOption::SINGLE_PROFILE,
    SettingsOption::DESKTOP_SHORTCUT,      SettingsOption::PINNED_SHORTCUT,
    SettingsOption::QUICK_LAUNCH_SHORTCUT, SettingsOption::START_MENU_SHORTCUT,
};

// The countries where the window offers the uninstall survey.
constexpr const char* kUninstallSurveyCountries[] = {"DE", "ES", "FR", "GB", "IT",
                                                     "PL", "RU", "UA", "US"};

const char* OptionName(SettingsOption option) {
  return GetSettingsOptionName(static_cast<uint32_t>(option));
}

const char* OptionalBoolText(const std::optional<bool>& value) {
  if (!value)
    return "not set";
  return *value ? "1" : "0";
}

const base::CommandLine& ProcessCommandLine() {
  return *base::CommandLine::ForCurrentProcess();
}

}  // namespace

const char* GetSettingsOptionName(uint32_t bit) {
  return bit < std::size(kOptionNames) ? kOptionNames[bit] : "";
}

SettingsImpl::~SettingsImpl() {
  VLOG(1) << "Destroying settings";
  if (pending_fetcher_)
    pending_fetcher_->CancelFetch();
}

base::FilePath SettingsImpl::GetDefaultInstallFolder(uint32_t source_mask) const {
  return ComputeDefaultInstallFolder(source_mask, IsAllUsers(), IsCopyOnly());
}

std::vector<base::FilePath> SettingsImpl::GetDefaultInstallFolders() const {
  if (IsCopyOnly())
    return {standalone_folder_.value_or(base::FilePath())};
  return {ComputeDefaultInstallFolder(kStandardFolderSource | kRegistrySource, IsAllUsers(),
                                      false)};
}

InstallOperation SettingsImpl::GetOperation() const {
  return operation_;
}

InstallFolderProblem SettingsImpl::GetInstallFolderProblem() const {
  return install_folder_problem_;
}

StatsSettings SettingsImpl::GetStatsRecord() const {
  StatsSettings record;
  record.make_default = IsDefaultBrowser();
  record.using_default_installation_folder = base::FilePath::CompareEqualIgnoreCase(
      GetInstallFolder().value(), GetDefaultInstallFolder(kStandardFolderSource).value());
  record.using_privileged_installation_folder = SecurityUtils::GetInstance()->NeedsElevation(
      IsAllUsers(), folder_details_->HasWriteAccess());
  record.installation_mode = static_cast<uint32_t>(GetInstallMode());
  record.installation_operation = static_cast<uint32_t>(operation_);
  return record;
}

const InstallationFolderDetails* SettingsImpl::GetFolderDetails() const {
  return folder_details_.get();
}

bool SettingsImpl::IsFetchingFolderDetails() const {
  return pending_fetcher_ != nullptr;
}

void SettingsImpl::AddObserver(SettingsObserver* observer) {
  if (!observers_.HasObserver(observer))
    observers_.AddObserver(observer);
}

void SettingsImpl::RemoveObserver(SettingsObserver* observer) {
  observers_.RemoveObserver(observer);
}

bool SettingsImpl::SetLaunchVelta(bool value) {
  return SetOption(SettingsOption::LAUNCH_VELTA, value);
}

bool SettingsImpl::SetDefaultBrowser(bool value) {
  default_browser_choice_ = Choice{true, value};
  if (IsCopyOnly())
    return false;
  return SetOption(SettingsOption::DEFAULT_BROWSER, value);
}

bool SettingsImpl::SetImportBrowserData(bool value) {
  import_choice_ = Choice{true, value};
  return SetOption(SettingsOption::IMPORT_BROWSER_DATA, value);
}

bool SettingsImpl::SetEnableStats(bool value) {
  stats_choice_ = Choice{true, value};
  return SetOption(SettingsOption::ENABLE_INSTALLER_STATS, value) &&
         SetOption(SettingsOption::ENABLE_VELTA_STATS, value);
}

bool SettingsImpl::SetDesktopShortcut(bool value) {
  if (IsCopyOnly())
    return false;
  return SetOption(SettingsOption::DESKTOP_SHORTCUT, value);
}

bool SettingsImpl::SetStartMenuShortcut(bool value) {
  return SetOption(SettingsOption::START_MENU_SHORTCUT, value);
}

bool SettingsImpl::SetQuickLaunchShortcut(bool value) {
  return SetOption(SettingsOption::QUICK_LAUNCH_SHORTCUT, value);
}

bool SettingsImpl::SetDeleteProfile(bool value) {
  if (GetInstallerMode() != InstallerMode::kUninstall)
    return false;
  return SetOption(SettingsOption::DELETE_PROFILE, value);
}

bool SettingsImpl::SetInstallAssistant(bool value) {
  if (IsCopyOnly())
    return false;
  return SetOption(SettingsOption::INSTALL_ASSISTANT, value);
}

bool SettingsImpl::SetReinstall(bool value) {
  return SetOption(SettingsOption::REINSTALL, value);
}

bool SettingsImpl::SetMode(InstallMode mode) {
  VLOG(2) << "Changing Settings using SetMode";
  if (!editable_)
    return false;
  const bool has_single_profile_switch = ProcessCommandLine().HasSwitch(kSingleProfileSwitch);
  const bool over_existing = operation_ == InstallOperation::kOverExistingInstallation;
  const std::vector<base::FilePath> defaults = GetDefaultInstallFolders();
  // The folder follows the mode only when the user kept the default.
  const bool folder_is_default = base::FilePath::CompareEqualIgnoreCase(
      GetInstallFolder().value(), defaults.front().value());
  bool result = false;
  switch (mode) {
    case InstallMode::kStandalone:
      if (!has_single_profile_switch && !over_existing)
        WriteOption(SettingsOption::SINGLE_PROFILE, true);
      result = SetCopyOnly(true);
      break;
    case InstallMode::kCurrentUser:
    case InstallMode::kAllUsers:
      if (!has_single_profile_switch && !over_existing)
        WriteOption(SettingsOption::SINGLE_PROFILE, false);
      result = SetCopyOnly(false) && !over_existing && !IsCopyOnly() &&
               SetOption(SettingsOption::ALL_USERS_FLAG, mode == InstallMode::kAllUsers);
      break;
    default:
      return false;
  }
  if (folder_is_default)
    ChangeInstallFolder(GetDefaultInstallFolder(kStandardFolderSource | kRegistrySource));
  return result;
}

bool SettingsImpl::CanSetMode() const {
  return true;
}

bool SettingsImpl::CanSetDefaultBrowser() const {
  return !IsCopyOnly();
}

bool SettingsImpl::CanSetShortcuts() const {
  return !IsCopyOnly();
}

bool SettingsImpl::IsNewInstallation() const {
  return operation_ == InstallOperation::kNewInstallation;
}

bool SettingsImpl::HasNoDuplicateStreamInstalls() const {
  return no_duplicate_stream_installs_;
}

bool SettingsImpl::SetCopyOnly(bool value) {
  if (!editable_ || operation_ == InstallOperation::kOverExistingInstallation)
    return false;
  ApplyCopyOnlyRule(value);
  VLOG(1) << OptionName(SettingsOption::COPY_ONLY) << " set to: " << (value ? 1 : 0);
  NotifyObservers(&SettingsObserver::OnStatsSettingChanged);
  return true;
}

bool SettingsImpl::SetSingleProfile(bool value) {
  if (operation_ == InstallOperation::kOverExistingInstallation)
    return false;
  return SetOption(SettingsOption::SINGLE_PROFILE, value);
}

bool SettingsImpl::SetAllUsers(bool value) {
  if (operation_ == InstallOperation::kOverExistingInstallation || IsCopyOnly())
    return false;
  return SetOption(SettingsOption::ALL_USERS_FLAG, value);
}

void SettingsImpl::SetInstallFolder(const std::wstring& folder) {
  if (!editable_)
    return;
  ChangeInstallFolder(base::FilePath(folder));
}

void SettingsImpl::RefreshFolderDetails() {
  VLOG(1) << "Refreshing folder details";
  GatherFolderDetails(GetInstallFolder(), false);
}

void SettingsImpl::SetInstallLanguage(const std::wstring& language) {
  if (!editable_ || language == install_language_)
    return;
  install_language_ = language;
  VLOG(1) << "Attempt setting install_language_ to: " << install_language_;
  SelectLanguage(&install_language_);
  VLOG(1) << "Actual install_language_ set: " << install_language_;
  NotifyObservers(&SettingsObserver::OnLanguageChanged);
}

bool SettingsImpl::IsLaunchVelta() const {
  return GetOption(SettingsOption::LAUNCH_VELTA);
}
bool SettingsImpl::IsDefaultBrowser() const {
  return GetOption(SettingsOption::DEFAULT_BROWSER);
}
bool SettingsImpl::IsImportBrowserData() const {
  return GetOption(SettingsOption::IMPORT_BROWSER_DATA);
}
bool SettingsImpl::IsInstallerStatsEnabled() const {
  return GetOption(SettingsOption::ENABLE_INSTALLER_STATS);
}
bool SettingsImpl::IsVeltaStatsEnabled() const {
  return GetOption(SettingsOption::ENABLE_VELTA_STATS);
}
bool SettingsImpl::IsDesktopShortcut() const {
  return GetOption(SettingsOption::DESKTOP_SHORTCUT);
}
bool SettingsImpl::IsStartMenuShortcut() const {
  return GetOption(SettingsOption::START_MENU_SHORTCUT);
}
bool SettingsImpl::IsQuickLaunchShortcut() const {
  return GetOption(SettingsOption::QUICK_LAUNCH_SHORTCUT);
}
bool SettingsImpl::IsPinnedShortcut() const {
  return GetOption(SettingsOption::PINNED_SHORTCUT);
}
bool SettingsImpl::IsDeleteProfile() const {
  return GetOption(SettingsOption::DELETE_PROFILE);
}
bool SettingsImpl::IsInstallAssistant() const {
  return GetOption(SettingsOption::INSTALL_ASSISTANT);
}
bool SettingsImpl::IsReinstall() const {
  return GetOption(SettingsOption::REINSTALL);
}

InstallMode SettingsImpl::GetInstallMode() const {
  if (IsCopyOnly())
    return InstallMode::kStandalone;
  return IsAllUsers() ? InstallMode::kAllUsers : InstallMode::kCurrentUser;
}

bool SettingsImpl::IsCopyOnly() const {
  return GetOption(SettingsOption::COPY_ONLY);
}
bool SettingsImpl::IsSingleProfile() const {
  return GetOption(SettingsOption::SINGLE_PROFILE);
}
bool SettingsImpl::IsAllUsers() const {
  return GetOption(SettingsOption::ALL_USERS_FLAG);
}

base::FilePath SettingsImpl::GetInstallFolder() const {
  return folder_details_->GetPath();
}

const std::wstring& SettingsImpl::GetLanguage() const {
  return install_language_;
}

const base::FilePath& SettingsImpl::GetProfileFolder() const {
  return profile_folder_;
}

void SettingsImpl::AppendImportSwitches(base::CommandLine* command_line) const {
  for (const char* name : {kImportBookmarksSwitch, kImportSessionSwitch, kImportTopSitesSwitch}) {
    if (ProcessCommandLine().HasSwitch(name))
      command_line->AppendSwitchNative(name, ProcessCommandLine().GetSwitchValueNative(name));
  }
}

void SettingsImpl::AppendToCommandLine(bool suppress_launch,
                                       base::CommandLine* command_line) const {
  const base::CommandLine& own = ProcessCommandLine();
  auto append_bool = [command_line](const char* name, bool value) {
    command_line->AppendSwitchASCII(name, value ? "1" : "0");
  };
  command_line->AppendSwitch(kBackendSwitch);
  // The component entries name folders, which need not be ASCII: every
  // value goes on whole.
  for (const char* name :
       {kInitialPidSwitch, kTempFolderSwitch, kComponentsSwitch, kVerbositySwitch}) {
    if (own.HasSwitch(name))
      command_line->AppendSwitchNative(name, own.GetSwitchValueNative(name));
  }

  switch (operation_) {
    case InstallOperation::kNewInstallation:
    case InstallOperation::kOverExistingInstallation: {
      const bool is_new = operation_ == InstallOperation::kNewInstallation;
      command_line->AppendSwitch(kInstallSwitch);
      append_bool(kImportBrowserDataSwitch, IsImportBrowserData());
      append_bool(kEnableStatsSwitch, IsVeltaStatsEnabled());
      append_bool(kEnableInstallerStatsSwitch, IsInstallerStatsEnabled());
      append_bool(kLaunchVeltaSwitch, !suppress_launch && IsLaunchVelta());
      command_line->AppendSwitchPath(kInstallFolderSwitch, GetInstallFolder());
      command_line->AppendSwitchPath(kProfileFolderSwitch, profile_folder_);
      if (!install_language_.empty())
        command_line->AppendSwitchNative(kLanguageSwitch, install_language_);
      if (is_new) {
        append_bool(kSingleProfileSwitch, IsSingleProfile());
        append_bool(kCopyOnlySwitch, IsCopyOnly());
      }
      if (!IsCopyOnly()) {
        if (is_new)
          append_bool(kAllUsersSwitch, IsAllUsers());
        append_bool(kSetDefaultBrowserSwitch, IsDefaultBrowser());
        append_bool(kStartMenuShortcutSwitch, IsStartMenuShortcut());
        append_bool(kDesktopShortcutSwitch, IsDesktopShortcut());
        append_bool(kQuickLaunchShortcutSwitch, IsQuickLaunchShortcut());
        append_bool(kPinToTaskbarSwitch, IsPinnedShortcut());
      }
      if (own.HasSwitch(kServerTrackingDataSwitch)) {
        command_line->AppendSwitchPath(kServerTrackingDataSwitch,
                                       own.GetSwitchValuePath(kServerTrackingDataSwitch));
      }
      WriteFeatureSwitches(command_line);
      AppendImportSwitches(command_line);
      break;
    }
    case InstallOperation::kUninstall:
      command_line->AppendSwitch(kUninstallSwitch);
      append_bool(kDeleteUserProfileSwitch, IsDeleteProfile());
      break;
    case InstallOperation::kRepairDownloadableResources:
      command_line->AppendSwitchPath(kInstallFolderSwitch, GetInstallFolder());
      append_bool(kAllUsersSwitch, IsAllUsers());
      break;
    case InstallOperation::kNotDecided:
    case InstallOperation::kRegisterProtocolHandler:
      break;
  }
  VLOG(1) << "Settings as command line: " << command_line->GetCommandLineString();
}

bool SettingsImpl::IsEditable() const {
  return editable_;
}

void SettingsImpl::SetEditable(bool editable) {
  editable_ = editable;
}

PackageArchitecture SettingsImpl::GetArchitecture() const {
  return architecture_;
}

bool SettingsImpl::IsRunningFromPackage() const {
  return without_payload_reader_;
}

bool SettingsImpl::ShouldRunImmediately() const {
  return run_immediately_;
}

bool SettingsImpl::IsUninstallSurveyCountry() const {
  const std::string& country = folder_details_->GetCountry();
  for (const char* survey_country : kUninstallSurveyCountries) {
    if (country == survey_country)
      return true;
  }
  return false;
}

SettingsCheck SettingsImpl::GetSettingsCheck() const {
  SettingsCheck check;
  check.operation_decided = operation_ != InstallOperation::kNotDecided;
  check.install_folder_problem = install_folder_problem_;
  check.low_disk_space = folder_details_->GetLowDiskSpace();
  return check;
}

bool SettingsImpl::GetOption(SettingsOption option) const {
  return options_.test(static_cast<size_t>(option));
}

void SettingsImpl::WriteOption(SettingsOption option, bool value) {
  options_.set(static_cast<size_t>(option), value);
}

bool SettingsImpl::SetOption(SettingsOption option, bool value) {
  if (!editable_)
    return false;
  WriteOption(option, value);
  VLOG(1) << OptionName(option) << " set to: " << (value ? 1 : 0);
  NotifyObservers(&SettingsObserver::OnStatsSettingChanged);
  return true;
}

void SettingsImpl::ApplyCopyOnlyRule(bool value) {
  if (!editable_)
    return;
  if (value) {
    WriteOption(SettingsOption::COPY_ONLY, true);
    for (SettingsOption option :
         {SettingsOption::ALL_USERS_FLAG, SettingsOption::DEFAULT_BROWSER,
          SettingsOption::DESKTOP_SHORTCUT, SettingsOption::START_MENU_SHORTCUT,
          SettingsOption::QUICK_LAUNCH_SHORTCUT, SettingsOption::PINNED_SHORTCUT,
          SettingsOption::INSTALL_ASSISTANT}) {
      WriteOption(option, false);
    }
    return;
  }
  WriteOption(SettingsOption::COPY_ONLY, false);
  const struct {
    SettingsOption option;
    const char* name;
  } shortcuts[] = {
      {SettingsOption::DESKTOP_SHORTCUT, kDesktopShortcutSwitch},
      {SettingsOption::START_MENU_SHORTCUT, kStartMenuShortcutSwitch},
      {SettingsOption::QUICK_LAUNCH_SHORTCUT, kQuickLaunchShortcutSwitch},
      {SettingsOption::PINNED_SHORTCUT, kPinToTaskbarSwitch},
  };
  for (const auto& shortcut : shortcuts) {
    if (!ReadBoolSwitch(shortcut.option, shortcut.name))
      WriteOption(shortcut.option, true);
  }
}

void SettingsImpl::ChangeInstallFolder(const base::FilePath& typed) {
  VLOG(1) << "Setting install folder to: " << typed;
  // The settings hold one form of the folder, however it was typed.
  const base::FilePath folder = CanonicalInstallFolder(typed);
  if (folder == folder_details_->GetPath()) {
    // Back at the folder whose details are in: a check of another folder
    // still running would otherwise apply that folder when it ends.
    if (pending_fetcher_) {
      pending_fetcher_->CancelFetch();
      pending_fetcher_ = nullptr;
      // Those who wait for the check's end hear of it.
      NotifyObservers(&SettingsObserver::OnPathChanged);
    }
    return;
  }
  GatherFolderDetails(folder, false);
}

void SettingsImpl::GatherFolderDetails(const base::FilePath& typed, bool is_first_x64_probe) {
  const base::FilePath folder = CanonicalInstallFolder(typed);
  if (pending_fetcher_)
    pending_fetcher_->CancelFetch();
  // Held here too: a fetcher that replies at once replaces pending_fetcher_
  // while FetchStatus still runs.
  scoped_refptr<InstallationFolderDetailsFetcher> fetcher =
      fetcher_factory_.Run(folder, IsAutoupdateRun());
  pending_fetcher_ = fetcher;
  fetcher->FetchStatus(base::BindOnce(&SettingsImpl::OnFolderDetailsGathered,
                                      weak_factory_.GetWeakPtr(), is_first_x64_probe));
}

void SettingsImpl::OnFolderDetailsGathered(bool is_first_x64_probe,
                                           std::unique_ptr<InstallationFolderDetails> details) {
  if (is_first_x64_probe)
    OnFirstFolderProbed(std::move(details));
  else
    ApplyFolderDetails(std::move(details));
}

void SettingsImpl::OnFirstFolderProbed(std::unique_ptr<InstallationFolderDetails> details) {
  if (details->HasExistingInstallation()) {
    ApplyFolderDetails(std::move(details));
    return;
  }
  pending_fetcher_ = nullptr;
  ChangeInstallFolder(GetDefaultInstallFolder(kStandardFolderSource));
}

void SettingsImpl::ApplyFolderDetails(std::unique_ptr<InstallationFolderDetails> details) {
  // The fetch has ended either way: kept while the details are dropped, it
  // would make the settings look busy for good, and the installation, which
  // waits for no pending fetch, would never start.
  pending_fetcher_ = nullptr;
  if (!editable_)
    return;
  folder_details_ = std::move(details);
  const InstallOperation previous_operation = operation_;
  operation_ = InstallOperation::kNotDecided;
  install_folder_problem_ = InstallFolderProblem::kNone;
  LOG(INFO) << "Install folder set: " << folder_details_->GetPath();

  const bool has_installation = folder_details_->HasExistingInstallation();
  // Nothing the previous folder's installation decided may survive.
  if (previous_operation == InstallOperation::kOverExistingInstallation || has_installation)
    InitFromCommandLine();

  const base::CommandLine& command_line = ProcessCommandLine();
  if (!command_line.HasSwitch(kEnableStatsSwitch)) {
    const std::optional<bool> folder_stats = folder_details_->GetEnableStats();
    WriteOption(SettingsOption::ENABLE_VELTA_STATS,
                stats_choice_.is_set ? stats_choice_.value : folder_stats.value_or(true));
    if (!command_line.HasSwitch(kEnableInstallerStatsSwitch))
      WriteOption(SettingsOption::ENABLE_INSTALLER_STATS, IsVeltaStatsEnabled());
  }

  const bool uninstalling = GetInstallerMode() == InstallerMode::kUninstall;
  const InstallFolderProblem problem = folder_details_->GetInstallationFolderProblem();
  if (problem != InstallFolderProblem::kNone || (uninstalling && !has_installation)) {
    install_folder_problem_ =
        problem != InstallFolderProblem::kNone ? problem : InstallFolderProblem::kNoInstallation;
    VLOG(1) << "Invalid install folder";
    NotifyObservers(&SettingsObserver::OnPathChanged);
    return;
  }
  LogFolderDetails();

  switch (GetInstallerMode()) {
    case InstallerMode::kFixDownloadableResources:
      operation_ = InstallOperation::kRepairDownloadableResources;
      break;
    case InstallerMode::kUninstall:
      operation_ = InstallOperation::kUninstall;
      break;
    default:
      if (!has_installation)
        operation_ = InstallOperation::kNewInstallation;
      else if (command_line.HasSwitch(kRegisterProtocolHandlerSwitch))
        operation_ = InstallOperation::kRegisterProtocolHandler;
      else
        operation_ = InstallOperation::kOverExistingInstallation;
      break;
  }
  LOG(INFO) << "Operation: " << static_cast<uint32_t>(operation_);

  if (!has_installation) {
    if (!uninstalling && !command_line.HasSwitch(kSingleProfileSwitch)) {
      WriteOption(SettingsOption::SINGLE_PROFILE,
                  folder_details_->GetSingleProfile().value_or(IsCopyOnly()));
    }
  } else {
    VLOG(1) << "Using settings from existing installation";
    ReportStatusParsed();
    const InstallationStatus& existing = *folder_details_->GetExistingInstallation();
    ApplyCopyOnlyRule(existing.copy_only);
    WriteOption(SettingsOption::ALL_USERS_FLAG, existing.all_users);
    WriteOption(SettingsOption::SINGLE_PROFILE,
                folder_details_->GetSingleProfile().value_or(false));
    const struct {
      SettingsOption option;
      const char* name;
      bool exists;
    } shortcuts[] = {
        {SettingsOption::DESKTOP_SHORTCUT, kDesktopShortcutSwitch,
         folder_details_->IsDesktopShortcutExists()},
        {SettingsOption::START_MENU_SHORTCUT, kStartMenuShortcutSwitch,
         folder_details_->IsStartMenuShortcutExists()},
        {SettingsOption::QUICK_LAUNCH_SHORTCUT, kQuickLaunchShortcutSwitch,
         folder_details_->IsQuickLaunchShortcutExists()},
    };
    for (const auto& shortcut : shortcuts) {
      if (!command_line.HasSwitch(shortcut.name))
        WriteOption(shortcut.option, shortcut.exists);
    }
    if (!command_line.HasSwitch(kPinToTaskbarSwitch)) {
      WriteOption(SettingsOption::PINNED_SHORTCUT,
                  !(folder_details_->GetPinnedShortcutPaths().empty() && IsAutoupdateRun()));
    }
    if (!command_line.HasSwitch(kImportBrowserDataSwitch)) {
      WriteOption(SettingsOption::IMPORT_BROWSER_DATA,
                  import_choice_.is_set ? import_choice_.value
                                        : folder_details_->GetImportBrowserData().value_or(true));
    }
  }

  const std::wstring folder_language = folder_details_->GetLanguage();
  if (!folder_language.empty() && (uninstalling || !command_line.HasSwitch(kLanguageSwitch)))
    SetInstallLanguage(folder_language);
  LogOptions();
  NotifyObservers(&SettingsObserver::OnPathChanged);
}

void SettingsImpl::ReportStatusParsed() const {
  StatusData data;
  data.source = GetStatusSourceName(folder_details_->GetExistingInstallation()->source);
  data.tracking_data = folder_details_->GetTrackingData();
  if (operation_ == InstallOperation::kOverExistingInstallation ||
      operation_ == InstallOperation::kUninstall) {
    data.uuid = folder_details_->GetUuid();
  }
  GetAvroStatsSender()->SendAvroMessage(std::make_unique<StatusParsedEvent>(data, 1));
}

void SettingsImpl::LogFolderDetails() const {
  const InstallationFolderDetails& details = *folder_details_;
  VLOG(1) << "status for install folder:";
  VLOG(1) << "valid_parent folder: " << details.GetValidParent();
  VLOG(1) << "has_write_access: " << details.HasWriteAccess();
  VLOG(1) << "installation_folder_problem: "
          << static_cast<uint32_t>(details.GetInstallationFolderProblem());
  VLOG(1) << "existing_installation: " << details.HasExistingInstallation();
  VLOG(1) << "existing_installation_traces: " << details.HasExistingInstallationTraces();
  VLOG(1) << "desktop_shortcut_exists: " << details.IsDesktopShortcutExists();
  VLOG(1) << "enable_stats: " << OptionalBoolText(details.GetEnableStats());
  VLOG(1) << "import_browser_data: " << OptionalBoolText(details.GetImportBrowserData());
  VLOG(1) << "is_http_handler: " << details.IsHttpHandler();
  VLOG(1) << "language: " << details.GetLanguage();
  VLOG(1) << "old_product_type: " << details.GetOldProductType();
  VLOG(1) << "pinned_shortcut_paths:";
  for (const base::FilePath& path : details.GetPinnedShortcutPaths())
    VLOG(1) << "  " << path;
  VLOG(1) << "profile_path: " << details.GetProfilePath();
  VLOG(1) << "quick_launch_shortcut_exists: " << details.IsQuickLaunchShortcutExists();
  VLOG(1) << "temporary_shortcut_folder: " << details.GetTemporaryShortcutFolder();
  VLOG(1) << "temporary_shortcut_folder_exists: " << details.IsTemporaryShortcutFolderExists();
  VLOG(1) << "recreate_desktop_shortcut: " << details.ShouldRecreateDesktopShortcut();
  VLOG(1) << "recreate_pinned_shortcut: " << details.ShouldRecreatePinnedShortcut();
  VLOG(1) << "recreate_quick_launch_shortcut: " << details.ShouldRecreateQuickLaunchShortcut();
  VLOG(1) << "recreate_start_menu_shortcut: " << details.ShouldRecreateStartMenuShortcut();
  VLOG(1) << "single_profile: " << OptionalBoolText(details.GetSingleProfile());
  VLOG(1) << "start_menu_shortcut_exists: " << details.IsStartMenuShortcutExists();
  VLOG(1) << "welcome_url: " << details.GetWelcomeUrl();
}

void SettingsImpl::LogOptions() const {
  for (SettingsOption option : kLoggedOptions)
    VLOG(1) << OptionName(option) << ": " << (GetOption(option) ? 1 : 0);
  VLOG(1) << "language: " << install_language_;
}

void SettingsImpl::SelectLanguage(std::wstring* language) const {
  SetL10nLanguage(language);
}

template <typename Method>
void SettingsImpl::NotifyObservers(Method method) {
  for (SettingsObserver& observer : observers_)
    (observer.*method)();
}

}  // namespace velta
