// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/status/installation_status_recovery_impl.h"

#include <windows.h>

#include <algorithm>
#include <string_view>
#include <utility>

#include "base/base_paths.h"
#include "base/command_line.h"
#include "base/files/file_enumerator.h"
#include "base/files/file_util.h"
#include "base/path_service.h"
#include "base/process/launch.h"
#include "base/strings/string_split.h"
#include "base/strings/string_util.h"
#include "base/strings/utf_string_conversions.h"
#include "base/time/time.h"
#include "base/win/registry.h"
#include "base/win/shortcut.h"
#include "base/win/windows_version.h"
#include "desktop/windows/installer/common/install_folder_path.h"
#include "desktop/windows/installer/common/product/installer_constants.h"
#include "desktop/windows/installer/common/product/product_constants.h"
#include "desktop/windows/installer/common/utils.h"
#include "desktop/windows/installer/common/win/win_api.h"
#include "desktop/windows/installer/status/installation_status_check.h"
#include "desktop/windows/installer/status/recovery_placeholder_resolver.h"
#include "desktop/windows/installer/transactions/registry_template_entry.h"
#include "desktop/windows/installer/transactions/registry_templates.h"

namespace velta {
namespace {

// The files every version folder holds, besides installer.exe.
constexpr wchar_t kBrowserFileName[] = L"velta.exe";
// Root files of the folder: one folder taken whole, and two single files.
constexpr wchar_t kAssetsFolderName[] = L"Assets";
constexpr const wchar_t* kRootFileNames[] = {L"Resources.pri",
                                             L"launcher.visualelementsmanifest.xml"};
constexpr char kVersionSwitch[] = "version";
// What the version folder's installer.exe may print for its version: a
// version is a few dozen characters.
constexpr size_t kMaxVersionOutput = 4096;

// One view of the uninstall list.
struct UninstallView {
  HKEY root;
  REGSAM view;
  bool all_users;
};

// What the scan of the uninstall lists found.
struct UninstallMatch {
  bool recognised = false;
  bool all_users = false;
  std::wstring key_name;
};

// The names of the subkeys of `root`\`path` in `view`, in enumeration order.
std::vector<std::wstring> ListSubkeys(HKEY root, const std::wstring& path, REGSAM view) {
  std::vector<std::wstring> names;
  base::win::RegKey key(root, path.c_str(), KEY_READ | view);
  if (!key.Valid())
    return names;
  for (DWORD index = 0;; ++index) {
    wchar_t name[256];
    DWORD length = static_cast<DWORD>(std::size(name));
    const LONG result =
        ::RegEnumKeyExW(key.Handle(), index, name, &length, nullptr, nullptr, nullptr, nullptr);
    if (result == ERROR_MORE_DATA)
      continue;
    if (result != ERROR_SUCCESS)
      break;
    names.emplace_back(name, length);
  }
  return names;
}

// Whether `root`\`path`\`name` in `view` is the uninstall entry of the
// company's browser installed in `folder`.
bool IsUninstallEntryFor(HKEY root,
                         const std::wstring& path,
                         REGSAM view,
                         const std::wstring& name,
                         const base::FilePath& folder) {
  if (!base::StartsWith(name, base::UTF8ToWide(GetBrandName())))
    return false;
  base::win::RegKey key(root, (path + L"\\" + name).c_str(), KEY_READ | view);
  std::wstring publisher;
  std::wstring location;
  return key.Valid() && key.ReadValue(L"Publisher", &publisher) == ERROR_SUCCESS &&
         base::StartsWith(publisher, base::UTF8ToWide(GetCompanyName())) &&
         key.ReadValue(L"InstallLocation", &location) == ERROR_SUCCESS &&
         IsSameInstallFolder(base::FilePath(location), folder);
}

// Scans the uninstall lists for the entry of `folder`. The folder is
// recognised when exactly one list holds it: HKCU's, or one of HKLM's views
// (where the first view that holds it decides).
UninstallMatch FindUninstallEntry(const base::FilePath& folder) {
  std::vector<UninstallView> views = {{HKEY_CURRENT_USER, 0, false}};
  if (WinApi::GetInstance()->GetOsArchitecture() != base::win::OSInfo::X86_ARCHITECTURE)
    views.push_back({HKEY_LOCAL_MACHINE, KEY_WOW64_64KEY, true});
  views.push_back({HKEY_LOCAL_MACHINE, KEY_WOW64_32KEY, true});

  const std::wstring path = GetUninstallRegistryPath();
  UninstallMatch match;
  bool matched = false;
  for (const UninstallView& view : views) {
    for (const std::wstring& name : ListSubkeys(view.root, path, view.view)) {
      if (!IsUninstallEntryFor(view.root, path, view.view, name, folder))
        continue;
      if (matched)
        return UninstallMatch();  // Listed twice: ambiguous.
      matched = true;
      match.all_users = view.all_users;
      match.key_name = name;
      if (view.all_users) {
        match.recognised = true;
        return match;
      }
      break;  // The rest of HKCU's list; then HKLM's views.
    }
  }
  match.recognised = matched;
  return match;
}

// The paths of every file below `folder`, relative to `base`.
void AppendFilesBelow(const base::FilePath& folder,
                      const base::FilePath& base,
                      std::vector<base::FilePath>* files) {
  base::FileEnumerator enumerator(folder, true, base::FileEnumerator::FILES);
  for (base::FilePath file = enumerator.Next(); !file.empty(); file = enumerator.Next()) {
    base::FilePath relative;
    if (base.AppendRelativePath(file, &relative))
      files->push_back(relative);
  }
}

bool HasFileNamed(const std::vector<base::FilePath>& files, const wchar_t* name) {
  return std::any_of(files.begin(), files.end(), [name](const base::FilePath& file) {
    return file.BaseName().value() == name;
  });
}

// Records under its key in `keys` a value that the templates write and that
// exists: by name only (its type and data are the registry's to say).
void RecordFoundValue(const std::string& key_path,
                      uint32_t clean,
                      const std::string& value_name,
                      std::vector<RegistryKeyEntry>* keys) {
  auto entry = std::find_if(keys->begin(), keys->end(), [&key_path](const RegistryKeyEntry& e) {
    return e.path == key_path;
  });
  if (entry == keys->end()) {
    keys->push_back(RegistryKeyEntry{static_cast<int>(clean), key_path, {}});
    entry = keys->end() - 1;
  }
  entry->values.push_back(RegistryValueEntry{std::string(), value_name, std::string()});
}

// Finds the values of the built-in templates that exist under the
// installation's root and records them in `status`.
void RecoverRegistry(const base::FilePath& folder,
                     const std::wstring& uninstall_key_name,
                     InstallationStatus* status) {
  RecoveryPlaceholderResolver resolver(folder, uninstall_key_name);
  const HKEY root = status->all_users ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
  std::vector<RegistryKeyEntry>* keys = status->all_users ? &status->hklm_keys : &status->hkcu_keys;
  for (const RegistryTemplate& record : GetRegistryTemplates()) {
    const std::wstring key_path = ExpandPlaceholders(record.key, &resolver);
    const std::wstring value_name =
        record.value_name ? ExpandPlaceholders(record.value_name, &resolver) : std::wstring();
    base::win::RegKey key(root, key_path.c_str(), KEY_READ | KEY_WOW64_32KEY);
    if (!key.Valid() || !key.HasValue(value_name.c_str()))
      continue;
    RecordFoundValue(base::WideToUTF8(key_path), record.clean, base::WideToUTF8(value_name), keys);
  }
}

}  // namespace

bool ReadShortcutTargetAndAppId(const base::FilePath& shortcut,
                                base::FilePath* target,
                                std::wstring* app_id) {
  base::win::ShortcutProperties properties;
  if (!base::win::ResolveShortcutProperties(
          shortcut,
          base::win::ShortcutProperties::PROPERTIES_TARGET |
              base::win::ShortcutProperties::PROPERTIES_APP_ID,
          &properties)) {
    return false;
  }
  *target = properties.target;
  *app_id = properties.app_id;
  return true;
}

InstallationStatusRecoveryImpl::InstallationStatusRecoveryImpl(
    ShortcutTargetAndAppIdReader read_shortcut,
    base::TimeDelta version_timeout)
    : read_shortcut_(read_shortcut), version_timeout_(version_timeout) {}

InstallationStatusRecoveryImpl::~InstallationStatusRecoveryImpl() = default;

void InstallationStatusRecoveryImpl::Recover(std::unique_ptr<InstallationStatus>* out,
                                             const base::FilePath& folder) {
  out->reset();
  if (!base::DirectoryExists(folder))
    return;
  auto status = std::make_unique<InstallationStatus>(StatusSource::kFullyRecovered);

  const UninstallMatch uninstall = FindUninstallEntry(folder);
  if (!uninstall.recognised)
    return;
  status->all_users = uninstall.all_users;

  std::vector<base::FilePath> version_folders;
  FindVersionFolders(&version_folders, folder);
  if (version_folders.empty())
    return;
  status->subfolder = version_folders.front();

  base::CommandLine command_line(
      folder.Append(status->subfolder).Append(kPackageInstallerFileName));
  command_line.AppendSwitch(kVersionSwitch);
  // An old installation's program, run while every other capture waits for
  // the output lock: it gets a time and an output size, and what it prints
  // must be a version as a status file holds one (the installation's
  // folders are named after it).
  base::AppOutputLimits limits;
  limits.timeout = version_timeout_;
  limits.max_output = kMaxVersionOutput;
  std::string output;
  if (!WinApi::GetInstance()->GetAppOutputWithinLimits(command_line, limits, &output,
                                                       /*take_lock=*/true)) {
    return;
  }
  // A program that prints its version as a line ends it with a line break,
  // which is no part of the version.
  const std::string version(base::TrimString(output, "\r\n", base::TRIM_TRAILING));
  if (!IsVersionFolderName(base::UTF8ToWide(version)))
    return;
  status->version = version;

  const bool all_users = status->all_users;
  const struct {
    int key;
    base::FilePath* shortcut;
  } kShortcutFolders[] = {
      {all_users ? int{base::DIR_COMMON_DESKTOP} : int{base::DIR_USER_DESKTOP},
       &status->desktop_shortcut},
      {base::DIR_USER_QUICK_LAUNCH, &status->quick_launch_shortcut},
      {all_users ? int{base::DIR_COMMON_START_MENU} : int{base::DIR_START_MENU},
       &status->menu_shortcut},
  };
  for (const auto& location : kShortcutFolders) {
    base::FilePath shortcut_folder;
    if (base::PathService::Get(location.key, &shortcut_folder))
      FindShortcut(folder, shortcut_folder, location.shortcut, &status->app_id);
  }

  status->copy_only = false;
  status->path = folder;

  const base::FilePath version_folder = folder.Append(status->subfolder);
  AppendFilesBelow(version_folder, version_folder, &status->files);
  if (!HasFileNamed(status->files, kBrowserFileName) ||
      !HasFileNamed(status->files, kPackageInstallerFileName)) {
    return;
  }

  const base::FilePath assets = folder.Append(kAssetsFolderName);
  if (base::DirectoryExists(assets))
    AppendFilesBelow(assets, folder, &status->root_files);
  for (const wchar_t* name : kRootFileNames) {
    if (base::PathExists(folder.Append(name)))
      status->root_files.push_back(base::FilePath(name));
  }

  RecoverRegistry(folder, uninstall.key_name, status.get());
  *out = std::move(status);
}

void InstallationStatusRecoveryImpl::FindVersionFoldersMatching(std::vector<base::FilePath>* out,
                                                                const base::FilePath& folder,
                                                                const base::Version& version) {
  FindVersionFolders(out, folder);
  const std::string text = version.GetString();
  std::erase_if(*out, [&text](const base::FilePath& name) {
    return name.AsUTF8Unsafe().find(text) == std::string::npos;
  });
}

void InstallationStatusRecoveryImpl::FindVersionFolders(std::vector<base::FilePath>* out,
                                                        const base::FilePath& folder) {
  struct Candidate {
    base::FilePath name;
    uint32_t major;
    base::Time modified;
  };
  std::vector<Candidate> candidates;
  base::FileEnumerator enumerator(folder, false, base::FileEnumerator::DIRECTORIES);
  for (base::FilePath path = enumerator.Next(); !path.empty(); path = enumerator.Next()) {
    uint32_t major = 0;
    if (!ParseVersionFolderName(path, &major) || base::PathExists(path.Append(kFilesListFileName)) ||
        !base::PathExists(path.Append(kBrowserFileName)) ||
        !base::PathExists(path.Append(kPackageInstallerFileName))) {
      continue;
    }
    candidates.push_back({path.BaseName(), major, enumerator.GetInfo().GetLastModifiedTime()});
  }
  std::stable_sort(candidates.begin(), candidates.end(),
                   [](const Candidate& a, const Candidate& b) {
                     if (a.major != b.major)
                       return a.major > b.major;
                     return a.modified > b.modified;
                   });
  out->clear();
  for (const Candidate& candidate : candidates)
    out->push_back(candidate.name);
}

void InstallationStatusRecoveryImpl::FindShortcut(const base::FilePath& folder,
                                                  const base::FilePath& shortcut_folder,
                                                  base::FilePath* shortcut,
                                                  std::wstring* app_id) {
  base::FileEnumerator enumerator(shortcut_folder, false, base::FileEnumerator::FILES, L"*.lnk");
  for (base::FilePath link = enumerator.Next(); !link.empty(); link = enumerator.Next()) {
    base::FilePath target;
    std::wstring link_app_id;
    if (!read_shortcut_(link, &target, &link_app_id) ||
        !IsParentPathIgnoringCase(folder.value(), target.value())) {
      continue;
    }
    const std::vector<std::wstring> parts = base::SplitString(
        link_app_id, L".", base::TRIM_WHITESPACE, base::SPLIT_WANT_NONEMPTY);
    if (parts.empty() || !std::all_of(parts.back().begin(), parts.back().end(),
                                      [](wchar_t c) { return c >= L'0' && c <= L'9'; })) {
      continue;
    }
    *shortcut = link;
    *app_id = parts.back();
    return;
  }
}

}  // namespace velta
