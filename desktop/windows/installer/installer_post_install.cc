// Copyright 2026 Velta Software. All rights reserved.

// What the installer does at the end of a job: the tasks the user's own
// backend does after an elevated installation, the edits of the user's
// browser profile, the browser's start, and the placeholder values of the
// registry templates.

#include <memory>
#include <string>

#include "base/command_line.h"
#include "base/files/file_util.h"
#include "base/logging.h"
#include "base/process/launch.h"
#include "base/strings/utf_string_conversions.h"
#include "base/values.h"
#include "desktop/windows/installer/common/json_pref_store_factory.h"
#include "desktop/windows/installer/common/product/installer_constants.h"
#include "desktop/windows/installer/common/product/installer_switches.h"
#include "desktop/windows/installer/common/product/named_urls.h"
#include "desktop/windows/installer/common/product/product_constants.h"
#include "desktop/windows/installer/common/utils.h"
#include "desktop/windows/installer/common/win/win_api.h"
#include "desktop/windows/installer/common/win/win_api_process.h"
#include "desktop/windows/installer/installation_folder_details.h"
#include "desktop/windows/installer/installer.h"
#include "desktop/windows/installer/interprocess_state.h"
#include "desktop/windows/installer/protocol_handler_setup.h"
#include "desktop/windows/installer/settings.h"
#include "desktop/windows/installer/steps/install_components_step.h"

namespace velta {
namespace {

constexpr char kNewTabSwitch[] = "new-tab";
constexpr char kStartMaximizedSwitch[] = "start-maximized";

constexpr char kPartnerContentUpdatedPref[] = "custom_partner_content.updated";
constexpr wchar_t kPartnerContentFileName[] = L"custom_partner_content.json";

// A preference file that exists and reads as a dictionary, else null.
scoped_refptr<base::JsonPrefStore> OpenPrefs(const base::FilePath& path) {
  scoped_refptr<base::JsonPrefStore> store =
      CreateJsonPrefStore(GetPrefStoreTaskRunnerMap(), path);
  if (store->GetReadError() != base::PersistentPrefStore::PREF_READ_ERROR_NONE)
    return nullptr;
  return store;
}

}  // namespace

void Installer::RunPostElevationTasks(const InstallationStatus* installed) {
  VLOG(1) << "Running post elevation installation tasks.";
  const InstallationFolderDetails* details = settings_->GetFolderDetails();
  if (!installed && details->HasExistingInstallation())
    installed = details->GetExistingInstallation();
  // This process runs as the user: the registration is the user's.
  CreateProtocolHandlerSetup()->Setup(settings_, installed);
  if (installed) {
    for (const InstallationComponent& component : installed->components) {
      if (!IsSafeComponentName(component.name)) {
        LOG(ERROR) << "Skipping the component with the name " << component.name;
        continue;
      }
      base::CommandLine command_line(GetComponentInstallerPath(component.path, component.name));
      command_line.AppendSwitch(kPostElevatedInstallTasksSwitch);
      command_line.AppendSwitchPath(kInstallFolderSwitch, component.path);
      LOG(INFO) << "Launching " << component.name << " component subinstaller with command line "
                << command_line.GetCommandLineString();
      WinApi::GetInstance()->LaunchProcess(command_line, base::LaunchOptions());
    }
  }
  // The elevated copy installed the files: this process built no status of
  // its own, and the version folder is the one that copy names.
  base::FilePath installed_subfolder = GetInstallSubfolder();
  if (installed_subfolder.empty() && installed)
    installed_subfolder = installed->subfolder;
  FinalizeInstallation(installed_subfolder);
}

void Installer::FinalizeInstallation(const base::FilePath& installed_subfolder) {
  LOG(INFO) << "Finalizing successful installation";
  const base::FilePath profile = settings_->GetFolderDetails()->GetProfilePath();
  if (!profile.empty())
    EditUserProfile(profile, installed_subfolder);
  if (settings_->IsLaunchVelta())
    LaunchBrowser();
}

void Installer::EditUserProfile(const base::FilePath& profile,
                                const base::FilePath& installed_subfolder) {
  VLOG(1) << "User profile modifications";
  scoped_refptr<base::JsonPrefStore> local_state = OpenPrefs(profile.Append(kLocalStateFileName));
  const base::Value* value = nullptr;
  if (local_state && local_state->GetValue(kAppLocalePref, &value)) {
    VLOG(1) << "Updating user profile language";
    local_state->SetValue(kAppLocalePref,
                          std::make_unique<base::Value>(base::WideToUTF8(settings_->GetLanguage())),
                          base::PersistentPrefStore::DEFAULT_PREF_WRITE_FLAGS);
  }
  if (IsAutoupdateRun()) {
    if (local_state)
      local_state->CommitPendingWrite();
    return;
  }
  if (scoped_refptr<base::JsonPrefStore> preferences = OpenPrefs(profile.Append(kPreferencesFileName))) {
    VLOG(1) << "Removing stat pref from the user profile";
    preferences->RemoveValue(kStatsCollectionPref, base::PersistentPrefStore::DEFAULT_PREF_WRITE_FLAGS);
    preferences->CommitPendingWrite();
  }
  if (!local_state)
    return;

  const base::FilePath profile_partner = profile.Append(kPartnerContentFileName);
  const base::FilePath profile_tracking = profile.Append(kTrackingUserAgentFileName);
  const base::FilePath resources =
      settings_->GetInstallFolder().Append(installed_subfolder).Append(kResourcesFolderName);
  const base::FilePath package_partner = resources.Append(kPartnerContentFileName);
  const base::FilePath package_tracking = resources.Append(kTrackingUserAgentFileName);
  bool flag = false;
  if (!base::PathExists(package_partner) && !base::PathExists(package_tracking)) {
    const bool partner_deleted =
        base::PathExists(profile_partner) && base::DeleteFile(profile_partner);
    base::DeleteFile(profile_tracking);
    VLOG(1) << "Removing tracking ua file from the user profile";
    flag = partner_deleted;
  } else if (!base::PathExists(profile_partner) && !base::PathExists(profile_tracking) &&
             base::PathExists(package_partner)) {
    VLOG(1) << "Installed new cutsom edition to the user profile";
    if (base::CopyFile(package_partner, profile_partner))
      flag = true;
    else
      LOG(WARNING) << "Failed to copy new custom edition file.";
  }
  if (flag) {
    VLOG(1) << "Flag the fact that custom content was updated in profile.";
    local_state->SetValue(kPartnerContentUpdatedPref, std::make_unique<base::Value>(true),
                          base::PersistentPrefStore::DEFAULT_PREF_WRITE_FLAGS);
  }
  local_state->CommitPendingWrite();
}

void Installer::LaunchBrowser() {
  base::CommandLine command_line(settings_->GetInstallFolder().Append(kLauncherFileName));
  settings_->AppendImportSwitches(&command_line);
  if (settings_->GetOperation() == InstallOperation::kOverExistingInstallation)
    command_line.AppendSwitch(kNewTabSwitch);
  else
    command_line.AppendSwitch(kStartMaximizedSwitch);
  LOG(INFO) << "Launching velta with command line " << command_line.GetCommandLineString();
  base::LaunchOptions options;
  options.wait = true;
  WinApi::GetInstance()->LaunchProcess(command_line, options);
}

std::wstring Installer::GetPlaceholderValue(const std::wstring& name) {
  if (name == L"InstallFolder")
    return settings_ ? settings_->GetInstallFolder().value() : std::wstring();
  if (name == L"Version")
    return base::UTF8ToWide(GetProductVersion());
  if (name == L"Executable")
    return base::UTF8ToWide(GetBrowserExeName());
  if (name == L"Product")
    return base::UTF8ToWide(GetBrandName());
  if (name == L"Company")
    return base::UTF8ToWide(GetCompanyName());
  if (name == L"CompanyRegistryKey")
    return GetCompanyRegistryPath();
  if (name == L"Stream")
    return base::UTF8ToWide(GetChannelName());
  if (name == L"Uninstall") {
    // The scheduler stores the uninstall entry's name; the templates write
    // under the whole key path, as the status recovery reads them back.
    if (scheduler_text_.empty() || scheduler_text_.find(L'\\') != std::wstring::npos)
      return scheduler_text_;
    return GetUninstallRegistryPath() + L"\\" + scheduler_text_;
  }
  if (name == L"HelpURL")
    return base::UTF8ToWide(GetNamedUrl("help"));
  if (name == L"CompanyURL")
    return base::UTF8ToWide(GetNamedUrl("homepage"));
  if (name == L"DownloadsURL")
    return base::UTF8ToWide(GetNamedUrl("download"));
  if (name == L"ProgID")
    return base::UTF8ToWide(GetBrandAndChannel());
  return name;
}

std::vector<RegistryKeyEntry>* Installer::GetRegistryRecord(HKEY root) {
  if (!recording_registry_)
    return nullptr;
  return root == HKEY_LOCAL_MACHINE ? &new_status_.hklm_keys : &new_status_.hkcu_keys;
}

}  // namespace velta
