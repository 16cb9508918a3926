// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/installation/installation_impl.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "base/base_paths.h"
#include "base/files/file_util.h"
#include "base/json/json_file_value_serializer.h"
#include "base/logging.h"
#include "base/process_wide.h"
#include "base/path_service.h"
#include "base/strings/string_number_conversions.h"
#include "base/strings/string_split.h"
#include "base/strings/string_util.h"
#include "base/strings/utf_string_conversions.h"
#include "base/win/registry.h"
#include "base/win/windows_version.h"
#include "desktop/windows/installer/common/product/installer_constants.h"
#include "desktop/windows/installer/common/product/product_constants.h"
#include "desktop/windows/installer/common/utils.h"
#include "desktop/windows/installer/installation/installation_placeholder_resolver.h"
#include "desktop/windows/installer/status/json_installation_status_reader.h"
#include "desktop/windows/installer/status/registry_record.h"
#include "desktop/windows/installer/transactions/transaction.h"
#include "desktop/windows/installer/utils/shell_associations.h"

namespace velta {
namespace {

constexpr wchar_t kPreviousDefaultBrowserValue[] = L"Previous Default Browser";
constexpr wchar_t kAppUserModelIdPrefix[] = L"VeltaSoftware.VeltaWebBrowser.";
constexpr wchar_t kAutoupdateTaskPrefix[] = L"Autoupdate ";
// The ProgID class records of the built-in template table start so.
constexpr wchar_t kProgIdClassKey[] = L"Software\\Classes\\{ProgID}";

// The protocols and file types MakeDefaultBrowser takes after "http".
constexpr const wchar_t* kDefaultHandlerNames[] = {
    L"https", L"ftp",         L".crx",   L".htm",  L".html", L".kvx",
    L".vtdownload", L".shtml", L".xht", L".xhtml"};

// The templates that make the browser the handler of one file type or
// protocol, or the start menu's internet client: under either root, for any
// Windows from XP and stream, nothing to clean up of their own.
constexpr RegistryTemplate kExtensionTemplate = {
    .key = L"Software\\Classes\\{Extension}",
    .type = REG_SZ,
    .text = L"{ProgID}",
};
constexpr RegistryTemplate kProtocolTemplate = {
    .key = L"Software\\Classes\\{Protocol}",
    .value_name = L"EditFlags",
    .type = REG_DWORD,
    .number = 2,
};
constexpr RegistryTemplate kStartMenuInternetTemplate = {
    .key = L"Software\\Clients\\StartMenuInternet",
    .type = REG_SZ,
    .text = L"{ProgID}",
};

HKEY RootFor(bool all_users) {
  return all_users ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
}

// The folders a profile folder may never be, nor lie above.
std::vector<base::FilePath> GetProtectedFolders() {
  static constexpr int kKeys[] = {
      base::DIR_WINDOWS,          base::DIR_SYSTEM,           base::DIR_PROGRAM_FILES,
      base::DIR_PROGRAM_FILESX86, base::DIR_PROGRAM_FILES6432, base::DIR_COMMON_APP_DATA,
      base::DIR_COMMON_DESKTOP,   base::DIR_COMMON_START_MENU, base::DIR_HOME,
      base::DIR_APP_DATA,         base::DIR_LOCAL_APP_DATA,   base::DIR_USER_DESKTOP,
      base::DIR_START_MENU,       base::DIR_USER_QUICK_LAUNCH, base::DIR_TEMP};
  std::vector<base::FilePath> folders;
  for (int key : kKeys) {
    base::FilePath folder;
    if (base::PathService::Get(key, &folder) && !folder.empty())
      folders.push_back(folder);
  }
  return folders;
}

// Whether `folder` is `other` or lies above it, letters compared without
// case.
bool IsSameOrAbove(const base::FilePath& folder, const base::FilePath& other) {
  const std::vector<std::wstring> above =
      base::FilePath(base::ToLowerASCII(folder.value())).GetComponents();
  const std::vector<std::wstring> below =
      base::FilePath(base::ToLowerASCII(other.value())).GetComponents();
  return !above.empty() && above.size() <= below.size() &&
         std::equal(above.begin(), above.end(), below.begin());
}

}  // namespace

bool IsDeletableProfileFolder(const base::FilePath& folder,
                              const base::FilePath& install_folder,
                              std::string* reason) {
  auto refuse = [reason](const char* why) {
    if (reason)
      *reason = why;
    return false;
  };
  std::wstring path = folder.value();
  std::replace(path.begin(), path.end(), L'/', L'\\');
  std::wstring_view rest;
  if (base::StartsWith(path, L"\\\\?\\") || base::StartsWith(path, L"\\\\.\\")) {
    return refuse("a device path");
  } else if (base::StartsWith(path, L"\\\\")) {
    // "\\server\share\": the share is the root.
    const std::vector<std::wstring_view> parts = base::SplitStringPiece(
        std::wstring_view(path).substr(2), L"\\", base::KEEP_WHITESPACE, base::SPLIT_WANT_ALL);
    if (parts.size() < 2 || parts[0].empty() || parts[1].empty())
      return refuse("not a path on a share");
    rest = std::wstring_view(path).substr(2 + parts[0].size() + 1 + parts[1].size());
  } else if (path.size() >= 3 && base::IsAsciiAlpha(path[0]) && path[1] == L':' &&
             path[2] == L'\\') {
    rest = std::wstring_view(path).substr(3);
  } else {
    return refuse("not an absolute path");
  }
  const std::vector<std::wstring_view> components =
      base::SplitStringPiece(rest, L"\\", base::KEEP_WHITESPACE, base::SPLIT_WANT_NONEMPTY);
  if (components.empty())
    return refuse("a drive or share root");
  for (std::wstring_view component : components) {
    // "." and "..", and names the system trims to them ("... ").
    if (base::ContainsOnlyChars(component, L". "))
      return refuse("a path with relative steps");
  }
  if (!install_folder.empty() && IsSameOrAbove(folder, install_folder))
    return refuse("the install folder or a folder above it");
  for (const base::FilePath& protected_folder : GetProtectedFolders()) {
    if (IsSameOrAbove(folder, protected_folder))
      return refuse("a system or user folder, or a folder above one");
  }
  return true;
}

namespace {

class RunningInstallationFactory : public Installation::Factory {
 public:
  std::unique_ptr<Installation> Create() override { return std::make_unique<InstallationImpl>(); }
};

Installation::Factory* FactoryInPlace() {
  return base::ProcessWide<Installation::Factory>::GetOrCreate<RunningInstallationFactory>();
}

}  // namespace

Installation::Factory::Factory() = default;

Installation::Factory::~Factory() = default;

// static
Installation* Installation::GetCurrent() {
  Factory* factory = FactoryInPlace();
  if (!factory->current_)
    factory->current_ = factory->Create();
  return factory->current_.get();
}

// static
void Installation::DestroyCurrent() {
  FactoryInPlace()->current_.reset();
}

// static
std::unique_ptr<Installation> Installation::CreateForFolder(const base::FilePath& folder) {
  return std::make_unique<InstallationImpl>(folder);
}

InstallationImpl::InstallationImpl() {
  base::FilePath folder;
  base::PathService::Get(base::DIR_EXE, &folder);
  if (!base::PathExists(folder.Append(kLauncherFileName)) &&
      base::PathExists(folder.DirName().Append(kLauncherFileName))) {
    folder = folder.DirName();
  }
  install_folder_ = folder;
  Initialize();
}

InstallationImpl::InstallationImpl(const base::FilePath& install_folder)
    : install_folder_(install_folder) {
  Initialize();
}

InstallationImpl::InstallationImpl(const base::FilePath& install_folder,
                                   std::unique_ptr<InstallationStatus> status)
    : install_folder_(install_folder),
      status_loaded_(true),
      status_(status ? std::move(status)
                     : std::make_unique<InstallationStatus>(StatusSource::kInvalid)) {
  Initialize();
}

InstallationImpl::~InstallationImpl() = default;

void InstallationImpl::Initialize() {
  if (!status_)
    status_ = std::make_unique<InstallationStatus>(StatusSource::kInvalid);
  base::JSONFileValueDeserializer deserializer(install_folder_.Append(kInstallerPrefsFileName));
  std::unique_ptr<base::Value> prefs = deserializer.Deserialize(nullptr, nullptr);
  prefs_ = prefs && prefs->is_dict() ? std::move(*prefs) : base::Value(base::Value::Type::DICTIONARY);
  GetWideStringPref(kProfilePathPref, &profile_path_);
  const std::wstring brand = base::UTF8ToWide(GetBrandName());
  const std::wstring channel = base::UTF8ToWide(GetChannelName());
  product_and_stream_ = brand + L" " + channel;
  browser_name_ = (GetBuildStream() == Stream::kGranite ? brand : product_and_stream_) +
                  L" Internet Browser";
}

const base::Value* InstallationImpl::FindPref(std::string_view path,
                                              base::Value::Type type) const {
  return prefs_.FindPathOfType(path, type);
}

bool InstallationImpl::GetBooleanPref(std::string_view path, bool* value) const {
  const base::Value* pref = FindPref(path, base::Value::Type::BOOLEAN);
  if (pref)
    *value = pref->GetBool();
  return pref;
}

bool InstallationImpl::GetWideStringPref(std::string_view path, std::wstring* value) const {
  const base::Value* pref = FindPref(path, base::Value::Type::STRING);
  if (pref)
    *value = base::UTF8ToWide(pref->GetString());
  return pref;
}

bool InstallationImpl::GetStringPref(std::string_view path, std::string* value) const {
  const base::Value* pref = FindPref(path, base::Value::Type::STRING);
  if (pref)
    *value = pref->GetString();
  return pref;
}

bool InstallationImpl::GetInt64Pref(std::string_view path, int64_t* value) const {
  std::string text;
  if (!GetStringPref(path, &text))
    return false;
  base::StringToInt64(text, value);
  return true;
}

bool InstallationImpl::GetListPref(std::string_view path,
                                   const base::Value::ListStorage** list) const {
  const base::Value* pref = FindPref(path, base::Value::Type::LIST);
  if (pref)
    *list = &pref->GetList();
  return pref;
}

const base::FilePath& InstallationImpl::GetInstallFolder() const {
  return install_folder_;
}

const InstallationStatus& InstallationImpl::GetInstallationStatus() {
  if (!status_loaded_) {
    status_loaded_ = true;
    std::string text;
    std::unique_ptr<InstallationStatus> status;
    JsonInstallationStatusReader reader;
    if (base::ReadFileToString(install_folder_.Append(kInstallationStatusJsonFileName), &text) &&
        reader.Read(&status, text, StatusSource::kPrimary)) {
      status_ = std::move(status);
    } else {
      status_ = std::make_unique<InstallationStatus>(StatusSource::kInvalid);
    }
  }
  return *status_;
}

bool InstallationImpl::IsCopyOnly() {
  return GetInstallationStatus().copy_only;
}

bool InstallationImpl::IsDefaultBrowser() {
  if (!IsDefaultHandlerFor(L"http") || !IsDefaultHandlerFor(L"https"))
    return false;
  return base::win::GetVersion() >= base::win::VERSION_WIN8 || IsDefaultStartMenuInternet();
}

bool InstallationImpl::GetOpenCommand(std::wstring_view name,
                                      bool machine_level,
                                      std::wstring* command) const {
  return ReadOpenCommand(std::wstring(name), machine_level, command);
}

bool InstallationImpl::IsDefaultHandlerFor(std::wstring_view name) const {
  std::wstring command;
  if (!GetOpenCommand(name, false, &command))
    return false;
  return base::ToLowerASCII(command).find(base::ToLowerASCII(
             install_folder_.Append(kLauncherFileName).value())) != std::wstring::npos;
}

bool InstallationImpl::IsDefaultStartMenuInternet() {
  if (base::win::GetVersion() >= base::win::VERSION_VISTA && GetInstallationStatus().all_users)
    return IsAppDefaultStartMenuInternet(product_and_stream_);
  std::wstring client;
  return ReadStartMenuInternetClient(&client) && client == base::UTF8ToWide(GetBrandAndChannel());
}

bool InstallationImpl::IsSingleProfile() const {
  bool single_profile = false;
  return GetBooleanPref(kSingleProfilePref, &single_profile) && single_profile;
}

bool InstallationImpl::GetPreviousDefaultBrowser(std::wstring* command) const {
  for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
    base::win::RegKey key(root, GetCompanyRegistryPath().c_str(), KEY_READ);
    if (key.Valid() && key.ReadValue(kPreviousDefaultBrowserValue, command) == ERROR_SUCCESS)
      return true;
  }
  return false;
}

bool InstallationImpl::SetPreviousDefaultBrowser(const std::wstring& command, bool all_users) {
  base::win::RegKey key;
  return key.Create(RootFor(all_users), GetCompanyRegistryPath().c_str(), KEY_SET_VALUE) ==
             ERROR_SUCCESS &&
         key.WriteValue(kPreviousDefaultBrowserValue, command.c_str()) == ERROR_SUCCESS;
}

void InstallationImpl::RememberPreviousDefaultBrowser(bool all_users) {
  std::wstring command;
  if (!IsDefaultHandlerFor(L"http") && GetOpenCommand(L"http", all_users, &command))
    SetPreviousDefaultBrowser(command, all_users);
}

bool InstallationImpl::MakeDefaultBrowser(bool all_users) {
  if (IsSingleProfile())
    return false;
  if (!RegisterProgId(all_users))
    return IsDefaultBrowser();
  SetAsDefaultFor(L"http", all_users);
  const base::win::Version version = base::win::GetVersion();
  if (version == base::win::VERSION_WIN8 || version == base::win::VERSION_WIN8_1 ||
      (version >= base::win::VERSION_WIN10 && !IsAssociationRegistrationAvailable())) {
    return IsDefaultBrowser();
  }
  for (const wchar_t* name : kDefaultHandlerNames)
    SetAsDefaultFor(name, all_users);
  SetAsDefaultStartMenuInternet(all_users);
  return IsDefaultBrowser();
}

bool InstallationImpl::RegisterProgId(bool all_users) {
  std::vector<RegistryTemplate> records;
  for (const RegistryTemplate& record : GetRegistryTemplates()) {
    if (base::StartsWith(record.key, kProgIdClassKey))
      records.push_back(record);
  }
  return ApplyTemplates(records, std::wstring(), all_users);
}

void InstallationImpl::RemoveLiteralProgIdKey(bool all_users) {
  const std::wstring key_path = L"Software\\Classes\\ProgID";
  base::win::RegKey key(RootFor(all_users), key_path.c_str(), KEY_READ);
  std::wstring friendly_name;
  if (!key.Valid() || key.ReadValue(L"FriendlyTypeName", &friendly_name) != ERROR_SUCCESS ||
      friendly_name.find(base::UTF8ToWide(GetBrandName())) == std::wstring::npos) {
    return;
  }
  key.Close();
  Transaction transaction;
  std::unique_ptr<Operation> operation =
      operation_factory_.CreateDeleteRegKey(RootFor(all_users), key_path, RegistryView::kDefault);
  std::string error;
  if (!transaction.Execute(operation, &error))
    LOG(ERROR) << "Cannot delete the literal ProgID key: " << error;
}

bool InstallationImpl::SetAsDefaultFor(std::wstring_view name_view, bool all_users) {
  const std::wstring name(name_view);
  const base::win::Version version = base::win::GetVersion();
  if (version >= base::win::VERSION_WIN10) {
    if (all_users || IsDefaultHandlerFor(name))
      return false;
    if (SetDefaultHandler(product_and_stream_, browser_name_,
                          base::UTF8ToWide(GetBrandAndChannel()), name)) {
      return true;
    }
    return OpenDefaultAppsSettings(name);
  }
  if (version >= base::win::VERSION_WIN8) {
    if (all_users)
      return false;
    if (!IsDefaultHandlerFor(name) && !ShowOpenWithDialogFor(name))
      return false;
  } else if (version >= base::win::VERSION_VISTA && GetInstallationStatus().all_users &&
             !all_users) {
    if (!SetAppAsDefaultFor(product_and_stream_, name))
      return false;
  }
  return ApplyTemplates({IsFileExtension(name) ? kExtensionTemplate : kProtocolTemplate}, name,
                        all_users);
}

bool InstallationImpl::SetAsDefaultStartMenuInternet(bool all_users) {
  const base::win::Version version = base::win::GetVersion();
  if (version >= base::win::VERSION_WIN8 && all_users)
    return false;
  if (version >= base::win::VERSION_VISTA && version < base::win::VERSION_WIN8 &&
      GetInstallationStatus().all_users && !all_users) {
    return SetAppAsDefaultStartMenuInternet(product_and_stream_);
  }
  return ApplyTemplates({kStartMenuInternetTemplate}, std::wstring(), all_users);
}

std::wstring InstallationImpl::GetAppUserModelId() {
  return kAppUserModelIdPrefix + GetInstallationStatus().app_id;
}

std::wstring InstallationImpl::GetAutoupdateTaskName() {
  return kAutoupdateTaskPrefix + GetInstallationStatus().app_id;
}

bool InstallationImpl::GetProfileFolder(base::FilePath* folder) const {
  return GetProfileFolderForStream(folder, GetBuildStream());
}

bool InstallationImpl::GetProfileFolderForStream(base::FilePath* folder, Stream stream) const {
  if (install_folder_.empty())
    return false;
  if (IsSingleProfile()) {
    *folder = install_folder_.Append(L"profile").Append(L"data");
    return true;
  }
  if (!profile_path_.empty()) {
    std::wstring path = profile_path_;
    if (path.find(kUserNamePlaceholder) != std::wstring::npos) {
      std::wstring user_name;
      if (!GetCurrentUserName(&user_name))
        return false;
      base::ReplaceFirstSubstringAfterOffset(&path, 0, kUserNamePlaceholder, user_name);
    }
    *folder = base::FilePath(path);
    return true;
  }
  base::FilePath app_data;
  if (!base::PathService::Get(base::DIR_APP_DATA, &app_data))
    return false;
  std::wstring relative = base::UTF8ToWide(GetProfileFolderTemplate());
  base::ReplaceFirstSubstringAfterOffset(&relative, 0, L"{InternalStream}",
                                         base::UTF8ToWide(GetStreamName(static_cast<uint32_t>(stream))));
  std::replace(relative.begin(), relative.end(), L'/', L'\\');
  *folder = app_data.Append(relative);
  return true;
}

bool InstallationImpl::GetProfileFolderWithoutUser(base::FilePath* folder) const {
  // Only the current user's own profile folder: with "<USERNAME>" last in
  // "profile_path" the folder above it holds every user's profile, so it is
  // never the answer.
  base::FilePath profile;
  if (!GetProfileFolder(&profile))
    return false;
  std::string reason;
  if (!IsDeletableProfileFolder(profile, install_folder_, &reason)) {
    LOG(ERROR) << "Refusing the profile folder " << profile.value() << ": " << reason;
    return false;
  }
  if (!base::PathExists(profile.Append(kLocalStateFileName))) {
    LOG(ERROR) << "Refusing the profile folder " << profile.value() << ": it holds no "
               << kLocalStateFileName;
    return false;
  }
  *folder = profile;
  return true;
}

void InstallationImpl::MapProfilePath(const base::FilePath& path, base::FilePath* out) const {
  *out = path;
  if (!profile_path_.empty())
    return;
  base::FilePath roaming;
  base::FilePath local;
  base::FilePath relative;
  if (base::PathService::Get(base::DIR_APP_DATA, &roaming) &&
      base::PathService::Get(base::DIR_LOCAL_APP_DATA, &local) &&
      roaming.AppendRelativePath(path, &relative)) {
    *out = local.Append(relative);
  }
}

bool InstallationImpl::ApplyTemplates(const std::vector<RegistryTemplate>& records,
                                      const std::wstring& name,
                                      bool all_users) {
  InstallationPlaceholderResolver resolver(name, install_folder_);
  Transaction transaction;
  for (const RegistryTemplate& record : records) {
    if (!ApplyRegistryTemplate(record, RootFor(all_users), &resolver, &transaction,
                               &operation_factory_)) {
      transaction.Rollback();
      return false;
    }
  }
  return true;
}

}  // namespace velta
