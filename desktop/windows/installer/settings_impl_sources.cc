// Copyright 2026 Velta Software. All rights reserved.

// Where the first values of the settings come from: construction, the
// command line, the registry's last install paths, the drives for a
// standalone copy, the uninstall keys and the default folders.

#include <windows.h>
#include <shlobj.h>

#include <utility>

#include "base/base_paths.h"
#include "base/command_line.h"
#include "base/files/file_util.h"
#include "base/logging.h"
#include "base/path_service.h"
#include "base/strings/string_util.h"
#include "base/strings/utf_string_conversions.h"
#include "base/win/windows_version.h"
#include "desktop/windows/installer/common/install_folder_path.h"
#include "desktop/windows/installer/common/product/architecture_names.h"
#include "desktop/windows/installer/common/product/installer_constants.h"
#include "desktop/windows/installer/common/product/installer_switches.h"
#include "desktop/windows/installer/common/product/product_constants.h"
#include "desktop/windows/installer/common/product/product_info.h"
#include "desktop/windows/installer/common/utils.h"
#include "desktop/windows/installer/common/win/win_api.h"
#include "desktop/windows/installer/common/win/win_api_drive.h"
#include "desktop/windows/installer/common/win/win_api_registry_key.h"
#include "desktop/windows/installer/installation/installation.h"
#include "desktop/windows/installer/interprocess_state.h"
#include "desktop/windows/installer/settings_impl.h"
#include "desktop/windows/installer/tracking/server_tracking_blob.h"

namespace velta {
namespace {

constexpr char kDefaultBrowserTrackingKey[] = "utm.defbr";
constexpr char kStatsTrackingKey[] = "utm.fsce";
constexpr wchar_t kUninstallKeyPrefix[] = L"Velta";
constexpr wchar_t kPublisherPrefix[] = L"Velta Software";
constexpr wchar_t kDisplayNamePrefix[] = L"Velta";
// "Velta" and one blank come before a display name's stream word.
constexpr size_t kStreamWordStart = 6;
// Two registered installations of this stream are duplicates.
constexpr int kDuplicateInstallCount = 2;

// The name that stands for "<USERNAME>" when the folder is judged: the logon
// name, or, where it cannot be read, a plain name of the same kind.
std::wstring UserNameForProfileFolder() {
  std::wstring user_name;
  if (!GetCurrentUserName(&user_name) || user_name.empty())
    user_name = L"user";
  return user_name;
}

// The folder the switch `profile-folder` names for the browser's profile,
// as given: it may hold "<USERNAME>", which the installation fills in for
// each user. Empty when it names none. It is judged as the installation will
// use it, with its first "<USERNAME>" filled in, and at any length: anything
// but an absolute folder path (a blank, relative or malformed path, an
// existing file) is dropped with a warning, as the browser would otherwise be
// handed it in installer_prefs.json.
base::FilePath ReadProfileFolderSwitch(const base::CommandLine& command_line) {
  const base::FilePath folder = command_line.GetSwitchValuePath(kProfileFolderSwitch);
  if (folder.empty())
    return folder;
  std::wstring filled = folder.value();
  if (filled.find(kUserNamePlaceholder) != std::wstring::npos) {
    base::ReplaceFirstSubstringAfterOffset(&filled, 0, kUserNamePlaceholder,
                                           UserNameForProfileFolder());
  }
  const base::FilePath judged(filled);
  if (!IsWellFormedPath(judged.value()) || !judged.IsAbsolute() ||
      (base::PathExists(judged) && !base::DirectoryExists(judged))) {
    LOG(WARNING) << "The switch " << kProfileFolderSwitch
                 << " does not name an absolute folder path; ignored: " << folder;
    return base::FilePath();
  }
  return folder;
}

// The priority of a drive type for a standalone copy (smaller is better).
int GetStandalonePriority(unsigned int drive_type) {
  switch (drive_type) {
    case DRIVE_REMOVABLE:
      return 0;
    case DRIVE_REMOTE:
      return 1;
    case DRIVE_FIXED:
      return 3;
    case DRIVE_RAMDISK:
      return 4;
    case DRIVE_CDROM:
      return 6;
    case DRIVE_UNKNOWN:
      return 7;
    default:
      return 8;
  }
}

// The words by which an uninstall key's display name names this build's
// stream.
bool IsBuildStreamWord(const std::wstring& word) {
  switch (static_cast<Stream>(ProductInfo::GetInstance()->GetStream())) {
    case Stream::kSorrel:
      return word == L"sorrel";
    case Stream::kMarlin:
      return word == L"marlin" || word == L"Marlin";
    case Stream::kKestrel:
      return word == L"heron" || word == L"Kestrel";
    case Stream::kGranite:
      return word == L"Granite";
  }
  return false;
}

std::wstring ProductAndChannelName() {
  return base::UTF8ToWide(GetBrandAndChannelSpaced());
}

const base::CommandLine& CurrentCommandLine() {
  return *base::CommandLine::ForCurrentProcess();
}

}  // namespace

SettingsImpl::SettingsImpl(const base::FilePath& command_line_folder,
                           PackageArchitecture architecture,
                           bool has_payload_reader,
                           InstallationFolderDetailsFetcherFactory fetcher_factory)
    : folder_details_(CreateInstallationFolderDetails()),
      fetcher_factory_(std::move(fetcher_factory)),
      command_line_folder_(CanonicalInstallFolder(command_line_folder)),
      standalone_folder_(GetStandaloneFolder()),
      architecture_(architecture),
      without_payload_reader_(!has_payload_reader),
      run_immediately_(CurrentCommandLine().HasSwitch(kRunImmediatelySwitch)) {
  registry_folder_ = ReadInstallFolderFromRegistry();
  VLOG(1) << "Obtaining system language";
  SelectLanguage(&install_language_);
  VLOG(1) << "Initializing settings";

  if (GetInstallerMode() == InstallerMode::kUninstall) {
    SetOption(SettingsOption::DELETE_PROFILE,
              CurrentCommandLine().HasSwitch(kDeleteUserProfileSwitch) &&
                  ParseBoolSwitchValue(
                      CurrentCommandLine().GetSwitchValueNative(kDeleteUserProfileSwitch)));
    if (!CurrentCommandLine().HasSwitch(kBackendSwitch))
      ScanUninstallKeys();
    ChangeInstallFolder(Installation::GetCurrent()->GetInstallFolder());
    return;
  }

  if (CurrentCommandLine().HasSwitch(kLanguageSwitch))
    SetInstallLanguage(CurrentCommandLine().GetSwitchValueNative(kLanguageSwitch));
  InitFromCommandLine();

  if (!IsCopyOnly()) {
    ServerTrackingBlob* tracking = GetTrackingData();
    const std::optional<std::string> default_browser =
        tracking ? tracking->GetString(kDefaultBrowserTrackingKey) : std::nullopt;
    const std::optional<std::string> stats =
        tracking ? tracking->GetString(kStatsTrackingKey) : std::nullopt;
    if (default_browser && stats) {
      run_immediately_ = true;
      LOG(INFO) << "defbr:" << *default_browser;
      SetOption(SettingsOption::DEFAULT_BROWSER, *default_browser == "true");
      LOG(INFO) << "fsce:" << *stats;
      SetOption(SettingsOption::ENABLE_INSTALLER_STATS, *stats == "true");
      SetOption(SettingsOption::ENABLE_VELTA_STATS, *stats == "true");
    }
  }
  ChooseFirstFolder();
}

void SettingsImpl::ChooseFirstFolder() {
  const base::FilePath registry_only = GetDefaultInstallFolder(kRegistrySource);
  base::FilePath program_files_x86;
  // An X64 package whose last installation went to the 32-bit program files
  // folder stays there only when that installation is still there.
  if (architecture_ == PackageArchitecture::kX64 && command_line_folder_.empty() &&
      !registry_only.empty() &&
      base::PathService::Get(base::DIR_PROGRAM_FILESX86, &program_files_x86) &&
      IsParentPathIgnoringCase(program_files_x86.value(), registry_only.value())) {
    GatherFolderDetails(registry_only, true);
    return;
  }
  ChangeInstallFolder(
      GetDefaultInstallFolder(kStandardFolderSource | kRegistrySource | kCommandLineSource));
}

// static
bool SettingsImpl::ParseBoolSwitchValue(const std::wstring& value) {
  if (base::EqualsCaseInsensitiveASCII(value, L"yes") ||
      base::EqualsCaseInsensitiveASCII(value, L"true")) {
    return true;
  }
  // As a C library's decimal reading: blanks, a sign, then digits up to the
  // first other character. Only whether the number is zero matters, so a
  // number too large for any type is simply on.
  size_t i = 0;
  while (i < value.size() && base::IsAsciiWhitespace(value[i]))
    ++i;
  if (i < value.size() && (value[i] == L'+' || value[i] == L'-'))
    ++i;
  for (; i < value.size() && base::IsAsciiDigit(value[i]); ++i) {
    if (value[i] != L'0')
      return true;
  }
  return false;
}

bool SettingsImpl::ReadBoolSwitch(SettingsOption option, const char* name) {
  if (!CurrentCommandLine().HasSwitch(name))
    return false;
  WriteOption(option, ParseBoolSwitchValue(CurrentCommandLine().GetSwitchValueNative(name)));
  return true;
}

void SettingsImpl::InitFromCommandLine() {
  if (!editable_)
    return;
  VLOG(1) << "Settings from command line";
  const base::CommandLine& command_line = CurrentCommandLine();
  WriteOption(SettingsOption::ALL_USERS_FLAG, false);
  WriteOption(SettingsOption::COPY_ONLY, false);
  WriteOption(SettingsOption::LAUNCH_VELTA, true);
  WriteOption(SettingsOption::REINSTALL, false);
  if (IsAutoupdateRun()) {
    WriteOption(SettingsOption::DEFAULT_BROWSER, false);
  } else if (default_browser_choice_.is_set) {
    WriteOption(SettingsOption::DEFAULT_BROWSER, default_browser_choice_.value);
  } else {
    WriteOption(SettingsOption::DEFAULT_BROWSER,
                ProductInfo::GetInstance()->GetStream() == static_cast<uint32_t>(Stream::kGranite));
  }
  WriteOption(SettingsOption::IMPORT_BROWSER_DATA,
              import_choice_.is_set ? import_choice_.value : true);
  WriteOption(SettingsOption::ENABLE_INSTALLER_STATS, true);
  WriteOption(SettingsOption::ENABLE_VELTA_STATS, true);
  WriteOption(SettingsOption::SINGLE_PROFILE, false);
  WriteOption(SettingsOption::DESKTOP_SHORTCUT, true);
  WriteOption(SettingsOption::START_MENU_SHORTCUT, true);
  WriteOption(SettingsOption::PINNED_SHORTCUT, true);

  if (!ReadBoolSwitch(SettingsOption::LAUNCH_VELTA, kLaunchVeltaSwitch))
    ReadBoolSwitch(SettingsOption::LAUNCH_VELTA, kLaunchBrowserSwitch);
  ReadBoolSwitch(SettingsOption::COPY_ONLY, kCopyOnlySwitch);
  ApplyCopyOnlyRule(IsCopyOnly());
  ReadBoolSwitch(SettingsOption::IMPORT_BROWSER_DATA, kImportBrowserDataSwitch);
  if (ReadBoolSwitch(SettingsOption::ENABLE_VELTA_STATS, kEnableStatsSwitch))
    WriteOption(SettingsOption::ENABLE_INSTALLER_STATS, IsVeltaStatsEnabled());
  ReadBoolSwitch(SettingsOption::ENABLE_INSTALLER_STATS, kEnableInstallerStatsSwitch);
  if (!IsCopyOnly()) {
    ReadBoolSwitch(SettingsOption::ALL_USERS_FLAG, kAllUsersSwitch);
    ReadBoolSwitch(SettingsOption::DEFAULT_BROWSER, kSetDefaultBrowserSwitch);
    ReadBoolSwitch(SettingsOption::DESKTOP_SHORTCUT, kDesktopShortcutSwitch);
    ReadBoolSwitch(SettingsOption::START_MENU_SHORTCUT, kStartMenuShortcutSwitch);
    ReadBoolSwitch(SettingsOption::QUICK_LAUNCH_SHORTCUT, kQuickLaunchShortcutSwitch);
    ReadBoolSwitch(SettingsOption::PINNED_SHORTCUT, kPinToTaskbarSwitch);
  } else {
    WriteOption(SettingsOption::SINGLE_PROFILE, true);
  }
  ReadBoolSwitch(SettingsOption::SINGLE_PROFILE, kSingleProfileSwitch);
  if (command_line.HasSwitch(kProfileFolderSwitch))
    profile_folder_ = ReadProfileFolderSwitch(command_line);
  if (command_line.HasSwitch(kInstallAssistantSwitch) && !IsCopyOnly())
    SetOption(SettingsOption::INSTALL_ASSISTANT, true);
  LogOptions();
}

base::FilePath SettingsImpl::ComputeDefaultInstallFolder(uint32_t source_mask, bool all_users,
                                                         bool copy_only) const {
  VLOG(2) << "Retrieving default installation folder path";
  VLOG(2) << " - Using command line: " << ((source_mask & kCommandLineSource) ? 1 : 0);
  VLOG(2) << " - Using the registry: " << ((source_mask & kRegistrySource) ? 1 : 0);
  VLOG(2) << " - Using the standard folder: " << ((source_mask & kStandardFolderSource) ? 1 : 0);
  if ((source_mask & kCommandLineSource) && !command_line_folder_.empty())
    return command_line_folder_;
  VLOG(2) << "Default install folder: not from command line";
  if ((source_mask & kRegistrySource) && !copy_only && !registry_folder_.empty())
    return registry_folder_;
  VLOG(2) << "Default install folder: not from registry";
  if (!(source_mask & kStandardFolderSource))
    return base::FilePath();
  const std::wstring name = ProductAndChannelName();
  if (all_users) {
    VLOG(2) << "Default install folder: for all users";
    base::FilePath program_files;
    const int key = architecture_ == PackageArchitecture::kX64 ? base::DIR_PROGRAM_FILES6432
                                                               : base::DIR_PROGRAM_FILESX86;
    if (!base::PathService::Get(key, &program_files))
      return base::FilePath();
    return program_files.Append(name);
  }
  if (copy_only) {
    VLOG(2) << "Default install folder: for all standalone";
    return standalone_folder_.value_or(base::FilePath());
  }
  VLOG(2) << "Default install folder: for current user";
  base::FilePath programs;
  if (WinApi::GetInstance()->GetWindowsVersion() < base::win::VERSION_WIN7 ||
      !GetKnownFolderPath(FOLDERID_UserProgramFiles, CSIDL_LOCAL_APPDATA, &programs, false)) {
    // Also where the known folder is missing (Wine answers 0x80070057): it
    // is the same folder on Windows.
    base::FilePath local_app_data;
    if (!base::PathService::Get(base::DIR_LOCAL_APP_DATA, &local_app_data))
      return base::FilePath();
    programs = local_app_data.Append(L"Programs");
  }
  return programs.Append(name);
}

base::FilePath SettingsImpl::ReadInstallFolderFromRegistry() const {
  std::unique_ptr<WinApiRegistryKey> key =
      WinApi::GetInstance()->OpenRegKey(HKEY_CURRENT_USER, GetCompanyRegistryPath(), KEY_READ);
  if (!key->IsValid())
    return base::FilePath();
  const std::wstring channel = base::UTF8ToWide(GetChannelName());
  struct Source {
    std::wstring value_name;
    const char* label;
  };
  std::vector<Source> sources;
  if (architecture_ == PackageArchitecture::kX64)
    sources.push_back({L"Last " + channel + L" Install Path x64", "[legacy x64]"});
  sources.push_back({L"Last " + channel + L" Install Path", "[standard]"});
  sources.push_back(
      {L"Last " + base::UTF8ToWide(GetBuildStreamName()) + L" Install Path", "[tarn=kestrel]"});
  if (ProductInfo::GetInstance()->GetStream() == static_cast<uint32_t>(Stream::kGranite))
    sources.push_back({L"Last install path", "[primordial]"});
  std::wstring text;
  bool found = false;
  for (const Source& source : sources) {
    if (key->ReadValue(source.value_name, &text)) {
      VLOG(1) << "Install folder reg value " << source.label << ": " << source.value_name;
      found = true;
      break;
    }
  }
  base::FilePath folder;
  if (found) {
    folder = CanonicalInstallFolder(base::FilePath(text));
    if (!folder.IsAbsolute() || !base::DirectoryExists(folder))
      folder.clear();
  }
  VLOG(1) << "Install folder from reg value " << folder;
  return folder;
}

std::optional<base::FilePath> SettingsImpl::GetStandaloneFolder() const {
  if (IsAutoupdateRun())
    return std::nullopt;
  struct Candidate {
    int priority;
    base::FilePath folder;
  };
  std::vector<Candidate> candidates;
  const std::wstring name = ProductAndChannelName();
  std::unique_ptr<WinApiDriveList> drives = WinApi::GetInstance()->GetLogicalDrives();
  while (std::unique_ptr<WinApiDrive> drive = drives->TakeDrive()) {
    if (!drive->IsMediaPresent())
      continue;
    const unsigned int type = drive->GetDriveType();
    if (type < 7)
      candidates.push_back({GetStandalonePriority(type), drive->GetRootPath().Append(name)});
  }
  base::FilePath desktop;
  if (base::PathService::Get(base::DIR_USER_DESKTOP, &desktop) && !desktop.empty())
    candidates.push_back({kDesktopStandalonePriority, desktop.Append(name)});
  LOG(INFO) << "Found " << candidates.size() << " paths for standalone install mode.";
  const Candidate* best = nullptr;
  for (const Candidate& candidate : candidates) {
    if (!best || candidate.priority < best->priority)
      best = &candidate;
  }
  if (!best || best->priority > kMaxStandalonePriority)
    return std::nullopt;
  return best->folder;
}

void SettingsImpl::ScanUninstallKeys() {
  std::vector<REGSAM> views;
  views.push_back(0);
  std::vector<HKEY> roots = {HKEY_CURRENT_USER};
  if (WinApi::GetInstance()->GetOsArchitecture() != base::win::OSInfo::X86_ARCHITECTURE) {
    views.push_back(KEY_WOW64_64KEY);
    roots.push_back(HKEY_LOCAL_MACHINE);
  }
  views.push_back(KEY_WOW64_32KEY);
  roots.push_back(HKEY_LOCAL_MACHINE);
  int count = 0;
  for (size_t i = 0; i < views.size(); ++i) {
    std::unique_ptr<WinApiRegistryKey> uninstall = WinApi::GetInstance()->OpenRegKey(
        roots[i], GetUninstallRegistryPath(), KEY_READ | views[i]);
    if (!uninstall->IsValid())
      continue;
    std::unique_ptr<WinApiRegistryKeyIterator> subkeys = uninstall->CreateSubKeyIterator();
    while (std::unique_ptr<WinApiRegistryKey> subkey = subkeys->TakeSubKey()) {
      if (!base::StartsWith(subkey->GetName(), kUninstallKeyPrefix))
        continue;
      std::wstring publisher;
      if (!subkey->ReadValue(L"Publisher", &publisher)) {
        VLOG(1) << "Cannot read Publisher in an uninstall key";
        continue;
      }
      if (!base::StartsWith(publisher, kPublisherPrefix))
        continue;
      std::wstring display_name;
      if (!subkey->ReadValue(L"DisplayName", &display_name)) {
        VLOG(1) << "Cannot read Display Name in an uninstall key";
        continue;
      }
      if (!base::StartsWith(display_name, kDisplayNamePrefix)) {
        VLOG(1) << "DisplayName does not start with Velta";
        continue;
      }
      if (display_name.size() <= kStreamWordStart)
        continue;
      const size_t blank = display_name.find(L' ', kStreamWordStart);
      if (blank == std::wstring::npos)
        continue;
      if (!IsBuildStreamWord(display_name.substr(kStreamWordStart, blank - kStreamWordStart)))
        continue;
      if (++count == kDuplicateInstallCount) {
        no_duplicate_stream_installs_ = false;
        return;
      }
    }
  }
}

}  // namespace velta
