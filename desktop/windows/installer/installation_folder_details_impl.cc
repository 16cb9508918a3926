// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/installation_folder_details_impl.h"

#include <windows.h>
#include <aclapi.h>

#include <utility>

#include "base/base_paths.h"
#include "base/features/feature_states.h"
#include "base/features/pref_list_feature_reader.h"
#include "base/files/file_util.h"
#include "base/json/json_reader.h"
#include "base/logging.h"
#include "base/path_service.h"
#include "base/prefs/json_pref_store.h"
#include "base/prefs/pref_registry_simple.h"
#include "base/prefs/pref_service.h"
#include "base/process_wide.h"
#include "base/strings/string_util.h"
#include "base/strings/utf_string_conversions.h"
#include "base/system/sys_info.h"
#include "base/task/post_task.h"
#include "base/types/to_underlying.h"
#include "base/values.h"
#include "base/win/windows_version.h"
#include "desktop/common/autoupdate/updatechecker/globalstorage.h"
#include "desktop/windows/installer/common/json_pref_store_factory.h"
#include "desktop/windows/installer/common/product/installer_constants.h"
#include "desktop/windows/installer/common/product/installer_features.h"
#include "desktop/windows/installer/common/product/product_constants.h"
#include "desktop/windows/installer/common/utils.h"
#include "desktop/windows/installer/common/win/security_utils.h"
#include "desktop/windows/installer/common/win/win_api.h"
#include "desktop/windows/installer/common/win/win_api_drive.h"
#include "desktop/windows/installer/installation/country_code.h"
#include "desktop/windows/installer/installation/installation.h"
#include "desktop/windows/installer/interprocess_state.h"
#include "desktop/windows/installer/status/installation_status_loader.h"
#include "desktop/windows/installer/utils/taskband_utils_impl.h"

namespace velta {
namespace {

// Megabytes an installation needs: on the install folder's drive (less when
// the package is already unpacked there) and on the temporary folder's drive
// (for the download, unless this process works inside the package already).
constexpr uint64_t kInstallFolderMegabytes = 400;
constexpr uint64_t kInstallFolderMegabytesInsidePackage = 200;
constexpr uint64_t kTemporaryFolderMegabytes = 80;

// Read, write and execute on the folder itself; creating a sub-folder in the
// nearest existing folder above a missing one.
constexpr DWORD kFolderAccess = 0x1201BF;
constexpr DWORD kCreateSubfolderAccess = FILE_ADD_SUBDIRECTORY;

constexpr char kUuidKey[] = "UUID";

class RealDetailsFactory : public InstallationFolderDetails::Factory {
 public:
  std::unique_ptr<InstallationFolderDetails> Create() override {
    return std::make_unique<InstallationFolderDetailsImpl>(std::make_unique<TaskbandUtilsImpl>());
  }
};

bool IsSeparator(wchar_t c) {
  return c == L'\\' || c == L'/';
}

// The server and share of a UNC path ("\\server\share"), or empty for any
// other path.
std::wstring GetShareRoot(const std::wstring& path) {
  if (path.size() < 2 || !IsSeparator(path[0]) || !IsSeparator(path[1]))
    return std::wstring();
  size_t end = 2;
  for (int names = 0; names < 2; ++names) {
    while (end < path.size() && IsSeparator(path[end]))
      ++end;
    while (end < path.size() && !IsSeparator(path[end]))
      ++end;
  }
  return path.substr(0, end);
}

// The drive as the path names it, in upper case: its first component ("C:"),
// or the server and share of a UNC path.
base::FilePath GetDriveName(const base::FilePath& path) {
  const std::wstring share = GetShareRoot(path.value());
  if (!share.empty())
    return base::FilePath(base::ToUpperASCII(share));
  const std::vector<std::wstring> components = path.GetComponents();
  if (components.empty())
    return base::FilePath();
  return base::FilePath(base::ToUpperASCII(components.front()));
}

// The free megabytes of `drive`; `probe` is a folder on it, asked for drives
// that are not named by a letter (a share). 0 when it cannot be asked.
uint64_t GetFreeMegabytes(const base::FilePath& drive, const base::FilePath& probe) {
  const std::wstring& name = drive.value();
  if (name.size() == 2 && name[1] == L':' && base::IsAsciiUpper(name[0]))
    return WinApi::GetInstance()->GetDrive(name[0])->GetFreeMegabytes();
  const int64_t bytes = base::SysInfo::AmountOfFreeDiskSpace(probe);
  return bytes > 0 ? static_cast<uint64_t>(bytes) / (1024 * 1024) : 0;
}

// The boolean preference `name`, unset when missing or of another type.
std::optional<bool> ReadOptionalBool(base::JsonPrefStore* prefs, const char* name) {
  const base::Value* value = nullptr;
  if (!prefs->GetValue(name, &value) || !value->is_bool())
    return std::nullopt;
  return value->GetBool();
}

// Reads a browser profile's preference file without the side effects of the
// installer's own reader (no backup copy, no setting aside of a damaged
// file): it is the browser's.
base::JsonPrefStore::ReadResult ReadProfileFile(const base::FilePath& path) {
  base::JsonPrefStore::ReadResult result;
  std::string text;
  if (!base::ReadFileToString(path, &text)) {
    result.error = base::PersistentPrefStore::PREF_READ_ERROR_NO_FILE;
    return result;
  }
  std::optional<base::Value> value = base::JSONReader::Read(text);
  if (!value || !value->is_dict()) {
    result.error = base::PersistentPrefStore::PREF_READ_ERROR_JSON_PARSE;
    return result;
  }
  result.value = std::make_unique<base::Value>(std::move(*value));
  return result;
}

bool ReadString(base::JsonPrefStore* prefs, const char* name, std::string* text) {
  const base::Value* value = nullptr;
  if (!prefs->GetValue(name, &value) || !value->is_string())
    return false;
  *text = value->GetString();
  return true;
}

}  // namespace

InstallationFolderStatus::InstallationFolderStatus() = default;
InstallationFolderStatus::InstallationFolderStatus(const InstallationFolderStatus&) = default;
InstallationFolderStatus& InstallationFolderStatus::operator=(const InstallationFolderStatus&) =
    default;
InstallationFolderStatus::~InstallationFolderStatus() = default;

InstallationFolderDetails::~InstallationFolderDetails() = default;

std::unique_ptr<InstallationFolderDetails> CreateInstallationFolderDetails() {
  return base::ProcessWide<InstallationFolderDetails::Factory>::GetOrCreate<RealDetailsFactory>()
      ->Create();
}

InstallationFolderDetailsImpl::InstallationFolderDetailsImpl(
    std::unique_ptr<TaskbandUtils> taskband_utils)
    : taskband_utils_(std::move(taskband_utils)) {}

InstallationFolderDetailsImpl::~InstallationFolderDetailsImpl() = default;

void InstallationFolderDetailsImpl::Initialize(const base::FilePath& path,
                                               StatusRecoveryMode recovery_mode) {
  VLOG(1) << "Initializing status: " << path << " with recovery mode "
          << base::to_underlying(recovery_mode);
  path_ = path;
  installation_folder_problem_ = InstallFolderProblem::kInvalidPath;
  existing_installation_traces_ = false;
  status_text_1_.clear();
  status_text_2_.clear();
  existing_status_.reset();
  if (!CheckPath())
    return;
  FindStatusOrValidParent(recovery_mode);
  // Uninstalling, repairing and registering the protocol handler write
  // (almost) nothing: no disk check.
  if (GetInstallerMode() != InstallerMode::kInstall) {
    installation_folder_problem_ = InstallFolderProblem::kNone;
  } else {
    CheckDiskSpace();
  }
  Gather();
}

bool InstallationFolderDetailsImpl::CheckPath() {
  if (path_.empty()) {
    VLOG(1) << "Path is empty";
    return false;
  }
  if (!IsValidPath(path_.value(), true)) {
    VLOG(1) << "Path is not a valid Win32 path";
    return false;
  }
  if (!path_.IsAbsolute()) {
    VLOG(1) << "Path is relative";
    return false;
  }
  if (base::PathExists(path_) && !base::DirectoryExists(path_)) {
    VLOG(1) << "Path is a file path";
    return false;
  }
  if (!base::PathIsWritable(path_)) {
    // A share is the drive of a UNC path: one that cannot be reached is as
    // missing as a drive letter that names nothing.
    const std::wstring share = GetShareRoot(path_.value());
    if (!share.empty() && !base::DirectoryExists(base::FilePath(share + L"\\"))) {
      VLOG(1) << "Drive not found " << share << "\\";
      return false;
    }
    const std::wstring root = path_.value().substr(0, 3);
    const wchar_t letter = base::ToUpperASCII(root[0]);
    if (root.size() == 3 && root[1] == L':' && base::IsAsciiUpper(letter)) {
      const unsigned int type = WinApi::GetInstance()->GetDrive(letter)->GetDriveType();
      if (type == DRIVE_NO_ROOT_DIR) {
        VLOG(1) << "Drive not found " << root;
        return false;
      }
      if (type == DRIVE_CDROM) {
        VLOG(1) << "Path is to a non-writable CD-ROM";
        return false;
      }
    }
  }
  return true;
}

void InstallationFolderDetailsImpl::FindStatusOrValidParent(StatusRecoveryMode recovery_mode) {
  if (base::DirectoryExists(path_)) {
    VLOG(1) << "Path is a folder";
    valid_parent_ = path_;
    InstallationStatusLoader::GetInstance()->Load(&existing_status_, path_, recovery_mode,
                                                  &status_text_1_, &status_text_2_);
    if (!existing_status_) {
      VLOG(1) << "Path is not an existing installation";
      existing_installation_traces_ = base::PathExists(path_.Append(kLauncherFileName));
      return;
    }
    VLOG(1) << "Path is an existing installation";
    // A copy-only installation writes no registry keys and no shortcuts; a
    // status that lists some is not one, whatever its flag says.
    InstallationStatus& status = *existing_status_;
    status.copy_only = status.copy_only && status.hklm_keys.empty() && status.hkcu_keys.empty() &&
                       status.desktop_shortcut.empty() && status.menu_shortcut.empty() &&
                       status.quick_launch_shortcut.empty();
    status.all_users = !status.copy_only && (status.all_users || !status.hklm_keys.empty());
    return;
  }
  valid_parent_.clear();
  for (base::FilePath parent = path_.DirName(); ; parent = parent.DirName()) {
    if (base::DirectoryExists(parent)) {
      VLOG(1) << "Path is valid";
      valid_parent_ = parent;
      return;
    }
    if (base::PathExists(parent)) {
      VLOG(1) << "Path is child of a file (invalid)";
      return;
    }
    if (parent == parent.DirName()) {
      VLOG(1) << "Path is a root folder that's not valid" << " (probably invalid drive letter)";
      return;
    }
  }
}

void InstallationFolderDetailsImpl::CheckDiskSpace() {
  struct DriveNeed {
    base::FilePath drive;
    base::FilePath probe;
    uint64_t megabytes = 0;
  };
  std::vector<DriveNeed> needs;
  auto need = [&needs](const base::FilePath& drive, const base::FilePath& probe,
                       uint64_t megabytes) {
    for (DriveNeed& existing : needs) {
      if (existing.drive == drive) {
        existing.megabytes += megabytes;
        return;
      }
    }
    needs.push_back(DriveNeed{drive, probe, megabytes});
  };
  const bool inside_package = IsRunningInsidePackage();
  base::FilePath temp;
  if (base::PathService::Get(base::DIR_TEMP, &temp)) {
    need(GetDriveName(temp), temp,
         inside_package || IsBackendProcess() ? 0 : kTemporaryFolderMegabytes);
  }
  need(GetDriveName(path_), valid_parent_,
       inside_package ? kInstallFolderMegabytesInsidePackage : kInstallFolderMegabytes);

  low_disk_space_.clear();
  for (const DriveNeed& drive : needs) {
    const uint64_t free_megabytes = GetFreeMegabytes(drive.drive, drive.probe);
    if (free_megabytes < drive.megabytes) {
      VLOG(1) << "Drive " << drive.drive << " has " << free_megabytes << " MB free, needs "
              << drive.megabytes;
      low_disk_space_.push_back(DriveSpaceNeeded{drive.drive, drive.megabytes});
    }
  }
  installation_folder_problem_ = low_disk_space_.empty() ? InstallFolderProblem::kNone
                                                         : InstallFolderProblem::kNotEnoughSpace;
}

void InstallationFolderDetailsImpl::Gather() {
  const bool existing = existing_status_ != nullptr;
  if (existing) {
    VLOG(1) << "Testing shortcuts";
    const base::FilePath browser_exe(base::UTF8ToWide(GetBrowserExeName()));
    SurveyShortcuts(path_.Append(kLauncherFileName), false);
    SurveyShortcuts(path_.Append(browser_exe), true);
    if (!existing_status_->subfolder.empty())
      SurveyShortcuts(path_.Append(existing_status_->subfolder).Append(browser_exe), true);
  }
  base::FilePath start_menu;
  if (existing && !status_.temporary_shortcut_folder_exists &&
      base::PathService::Get(base::DIR_START_MENU, &start_menu)) {
    const base::FilePath folder = start_menu.Append(base::UTF8ToWide(GetCompanyName()));
    if (base::DirectoryExists(folder)) {
      status_.temporary_shortcut_folder_exists = true;
      status_.temporary_shortcut_folder = folder;
    }
  }
  if (installation_folder_problem_ == InstallFolderProblem::kNone) {
    VLOG(1) << "Determining write access";
    status_.has_write_access = SecurityUtils::GetInstance()->HasAccess(
        valid_parent_.value(), SE_FILE_OBJECT,
        valid_parent_ == path_ ? kFolderAccess : kCreateSubfolderAccess);
  }
  if (!existing)
    return;
  std::unique_ptr<Installation> installation = Installation::CreateForFolder(path_);
  VLOG(1) << "Determining whether we handled http";
  status_.is_http_handler = installation->IsDefaultHandlerFor(L"http");
  VLOG(1) << "Reading existing tracking data";
  if (!base::ReadFileToString(path_.Append(kServerTrackingDataFileName), &status_.tracking_data))
    status_.tracking_data.clear();
  ReadInstallerPrefs();
  VLOG(1) << "Finding current user profile";
  base::FilePath profile;
  if (installation->GetProfileFolder(&profile)) {
    status_.profile_path = profile;
    ReadProfile();
  }
  std::unique_ptr<GlobalStorage> storage = CreateGlobalStorage(installation->IsCopyOnly());
  if (!status_.profile_path.empty())
    storage->LoadFallback(status_.profile_path);
  storage->GetValue(kUuidKey, &status_.uuid);
}

void InstallationFolderDetailsImpl::ReadProfile() {
  // The browser's own files: read only, never backed up or moved aside here.
  const scoped_refptr<base::SequencedTaskRunner> no_writes =
      base::CreateSequencedTaskRunnerWithTraits({base::MayBlock()});
  auto registry = base::MakeRefCounted<base::PrefRegistrySimple>();
  RegisterCountryPrefs(registry.get());
  registry->RegisterStringPref(kAppLocalePref, std::string());
  base::PrefService local_state(
      base::MakeRefCounted<base::JsonPrefStore>(status_.profile_path.Append(kLocalStateFileName),
                                                no_writes, &ReadProfileFile),
      registry);
  VLOG(1) << "Obtaining current user country";
  status_.country = GetCountryCode(local_state);
  VLOG(1) << "Obtaining current user language";
  // Only a language the profile names replaces the installer preferences'.
  const std::string locale = local_state.GetString(kAppLocalePref);
  if (!locale.empty())
    status_.language = base::UTF8ToWide(locale);

  auto preferences = base::MakeRefCounted<base::JsonPrefStore>(
      status_.profile_path.Append(kPreferencesFileName), no_writes, &ReadProfileFile);
  preferences->ReadPrefs();
  const std::optional<bool> stats = ReadOptionalBool(preferences.get(), kStatsCollectionPref);
  if (stats)
    status_.enable_stats = stats;
}

void InstallationFolderDetailsImpl::SurveyShortcuts(const base::FilePath& target,
                                                    bool is_old_target) {
  BY_HANDLE_FILE_INFORMATION identity = {};
  if (!GetFileInformationForPath(target, &identity))
    return;
  struct Place {
    const base::FilePath& shortcut;
    bool* exists;
    bool* recreate;
  };
  const Place places[] = {
      {existing_status_->desktop_shortcut, &status_.desktop_shortcut_exists,
       &status_.recreate_desktop_shortcut},
      {existing_status_->menu_shortcut, &status_.start_menu_shortcut_exists,
       &status_.recreate_start_menu_shortcut},
      {existing_status_->quick_launch_shortcut, &status_.quick_launch_shortcut_exists,
       &status_.recreate_quick_launch_shortcut},
  };
  const bool start_menu_found_before = status_.start_menu_shortcut_exists;
  for (const Place& place : places) {
    if (*place.exists || !IsShortcutTo(place.shortcut, target, &identity))
      continue;
    *place.exists = true;
    if (is_old_target)
      *place.recreate = true;
  }
  // From Windows 8 on, a Start menu shortcut not found so far is made anew.
  if (!start_menu_found_before &&
      WinApi::GetInstance()->GetWindowsVersion() >= base::win::VERSION_WIN8) {
    status_.recreate_start_menu_shortcut = true;
  }
  const std::wstring app_id_suffix = L"." + existing_status_->app_id;
  if (status_.pinned_shortcut_paths.empty()) {
    taskband_utils_->FindPinnedShortcuts(target, app_id_suffix, &identity,
                                         &status_.pinned_shortcut_paths);
    if (is_old_target && !status_.pinned_shortcut_paths.empty())
      status_.recreate_pinned_shortcut = true;
  }
  if (status_.pinned_app_id_paths.empty()) {
    taskband_utils_->FindPinnedShortcuts(target, L"." + GetSuffixedAppId(*existing_status_),
                                         &identity, &status_.pinned_app_id_paths);
  }
}

void InstallationFolderDetailsImpl::ReadInstallerPrefs() {
  const base::FilePath file = path_.Append(kInstallerPrefsFileName);
  if (!base::PathExists(file))
    return;
  VLOG(1) << "Reading existing prefs";
  scoped_refptr<base::JsonPrefStore> prefs = CreateJsonPrefStore(GetPrefStoreTaskRunnerMap(), file);
  status_.single_profile = ReadOptionalBool(prefs.get(), kSingleProfilePref);
  status_.import_browser_data = ReadOptionalBool(prefs.get(), kImportBrowserDataPref);
  status_.enable_stats = ReadOptionalBool(prefs.get(), kEnableStatsPref);
  std::string text;
  if (ReadString(prefs.get(), kLanguagePref, &text))
    status_.language = base::UTF8ToWide(text);
  if (ReadString(prefs.get(), kWelcomeUrlPref, &text))
    status_.welcome_url = text;

  VLOG(1) << "Reading existing experiments status";
  const base::Value* experiments = nullptr;
  if (!prefs->GetValue(kAllExperimentsPref, &experiments) || !experiments->is_list())
    return;
  FeatureStates states;
  RegisterInstallerFeatures(&states);
  states.ApplyReader(PrefListFeatureReader(experiments->Clone()));
  status_.enabled_experiments.clear();
  for (const FeatureInfo& feature : states.features()) {
    if (states.IsEnabled(feature.name))
      status_.enabled_experiments.push_back(feature.name);
  }
  if (GetExperimentState(kInstallerExperimentTestFeature))
    LOG(INFO) << "Test experiment was enabled in install folder.";
}

const InstallationStatus* InstallationFolderDetailsImpl::GetExistingInstallation() const {
  return existing_status_.get();
}
const base::FilePath& InstallationFolderDetailsImpl::GetPath() const {
  return path_;
}
const base::FilePath& InstallationFolderDetailsImpl::GetValidParent() const {
  return valid_parent_;
}
InstallFolderProblem InstallationFolderDetailsImpl::GetInstallationFolderProblem() const {
  return installation_folder_problem_;
}
std::vector<DriveSpaceNeeded> InstallationFolderDetailsImpl::GetLowDiskSpace() const {
  return low_disk_space_;
}
bool InstallationFolderDetailsImpl::HasExistingInstallation() const {
  return existing_status_ != nullptr;
}
bool InstallationFolderDetailsImpl::HasExistingInstallationTraces() const {
  return existing_installation_traces_;
}
const std::string& InstallationFolderDetailsImpl::GetStatusText1() const {
  return status_text_1_;
}
const std::string& InstallationFolderDetailsImpl::GetStatusText2() const {
  return status_text_2_;
}
const std::string& InstallationFolderDetailsImpl::GetWelcomeUrl() const {
  return status_.welcome_url;
}
bool InstallationFolderDetailsImpl::IsDesktopShortcutExists() const {
  return status_.desktop_shortcut_exists;
}
std::optional<bool> InstallationFolderDetailsImpl::GetEnableStats() const {
  return status_.enable_stats;
}
bool InstallationFolderDetailsImpl::HasWriteAccess() const {
  return status_.has_write_access;
}
std::optional<bool> InstallationFolderDetailsImpl::GetImportBrowserData() const {
  return status_.import_browser_data;
}
bool InstallationFolderDetailsImpl::IsHttpHandler() const {
  return status_.is_http_handler;
}
const std::string& InstallationFolderDetailsImpl::GetCountry() const {
  return status_.country;
}
const std::wstring& InstallationFolderDetailsImpl::GetLanguage() const {
  return status_.language;
}
uint32_t InstallationFolderDetailsImpl::GetOldProductType() const {
  return status_.old_product_type;
}
const std::vector<base::FilePath>& InstallationFolderDetailsImpl::GetPinnedShortcutPaths() const {
  return status_.pinned_shortcut_paths;
}
const std::vector<base::FilePath>& InstallationFolderDetailsImpl::GetPinnedAppIdPaths() const {
  return status_.pinned_app_id_paths;
}
const base::FilePath& InstallationFolderDetailsImpl::GetProfilePath() const {
  return status_.profile_path;
}
bool InstallationFolderDetailsImpl::IsQuickLaunchShortcutExists() const {
  return status_.quick_launch_shortcut_exists;
}
const base::FilePath& InstallationFolderDetailsImpl::GetTemporaryShortcutFolder() const {
  return status_.temporary_shortcut_folder;
}
bool InstallationFolderDetailsImpl::IsTemporaryShortcutFolderExists() const {
  return status_.temporary_shortcut_folder_exists;
}
const std::string& InstallationFolderDetailsImpl::GetTrackingData() const {
  return status_.tracking_data;
}
bool InstallationFolderDetailsImpl::ShouldRecreateDesktopShortcut() const {
  return status_.recreate_desktop_shortcut;
}
bool InstallationFolderDetailsImpl::ShouldRecreatePinnedShortcut() const {
  return status_.recreate_pinned_shortcut;
}
bool InstallationFolderDetailsImpl::ShouldRecreateQuickLaunchShortcut() const {
  return status_.recreate_quick_launch_shortcut;
}
bool InstallationFolderDetailsImpl::ShouldRecreateStartMenuShortcut() const {
  return status_.recreate_start_menu_shortcut;
}
std::optional<bool> InstallationFolderDetailsImpl::GetSingleProfile() const {
  return status_.single_profile;
}
bool InstallationFolderDetailsImpl::IsStartMenuShortcutExists() const {
  return status_.start_menu_shortcut_exists;
}
bool InstallationFolderDetailsImpl::GetExperimentState(std::string_view feature) const {
  for (const std::string& name : status_.enabled_experiments) {
    if (name == feature)
      return true;
  }
  return false;
}
std::string InstallationFolderDetailsImpl::GetUuid() const {
  return status_.uuid;
}

}  // namespace velta
