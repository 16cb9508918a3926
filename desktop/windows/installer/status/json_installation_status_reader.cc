// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/status/json_installation_status_reader.h"

#include <utility>

#include "base/json/json_reader.h"
#include "base/strings/string_util.h"
#include "base/strings/utf_string_conversions.h"
#include "base/values.h"

namespace velta {

namespace {

// A path written in the file: UTF-8, trimmed of white space at both ends.
base::FilePath TrimmedPath(const std::string& utf8) {
  return base::FilePath(base::TrimWhitespace(base::UTF8ToWide(utf8), base::TRIM_ALL));
}

constexpr char kShortcutPathNotString[] = "Shorcut path is not a string";

}  // namespace

JsonInstallationStatusReader::JsonInstallationStatusReader() = default;

JsonInstallationStatusReader::~JsonInstallationStatusReader() = default;

bool JsonInstallationStatusReader::Read(std::unique_ptr<InstallationStatus>* out,
                                        const std::string& content,
                                        StatusSource source) {
  out->reset();
  // A reason left from an earlier file would otherwise stand for this one.
  error_.clear();
  base::JSONReader::ValueWithError parsed = base::JSONReader::ReadAndReturnValueWithError(content);
  if (!parsed.value)
    return Fail("Cannot parse the file as JSON: " + parsed.error_message);
  const base::Value& root = *parsed.value;
  if (!root.is_dict())
    return Fail("The root is not a dictionary");

  auto status = std::make_unique<InstallationStatus>(source);
  if (!ReadHeader(root, status.get()) ||
      !ReadFileList(root, "files", /*is_required=*/true, &status->files) ||
      !ReadFileList(root, "root_files", /*is_required=*/false, &status->root_files) ||
      !ReadRegistry(root, status.get()) || !ReadShortcuts(root, status.get()) ||
      !ReadComponents(root, status.get())) {
    return false;
  }
  *out = std::move(status);
  return true;
}

const std::string& JsonInstallationStatusReader::GetError() const {
  return error_;
}

bool JsonInstallationStatusReader::ReadHeader(const base::Value& root,
                                              InstallationStatus* status) {
  const std::string* version = root.FindStringKey("version");
  if (!version)
    return Fail("No version information");
  status->version = *version;

  if (const base::Value* app_id = root.FindKey("app_id")) {
    if (!app_id->is_string())
      return Fail("Invalid app id type");
    status->app_id = base::UTF8ToWide(app_id->GetString());
  }

  std::optional<bool> copy_only = root.FindBoolKey("copy_only");
  if (!copy_only)
    return Fail("No copy only information");
  status->copy_only = *copy_only;

  std::optional<bool> all_users = root.FindBoolKey("_all_users");
  if (!all_users)
    return Fail("No all users information");
  status->all_users = *all_users;

  const std::string* path = root.FindStringKey("path");
  if (!path)
    return Fail("No install path information");
  status->path = TrimmedPath(*path);

  if (const base::Value* subfolder = root.FindKey("_subfolder")) {
    if (!subfolder->is_string())
      return Fail("Subfolder not a string");
    status->subfolder = TrimmedPath(subfolder->GetString());
  }
  return true;
}

bool JsonInstallationStatusReader::ReadFileList(const base::Value& root,
                                                std::string_view key,
                                                bool is_required,
                                                std::vector<base::FilePath>* files) {
  const base::Value* list = root.FindKey(key);
  if (!list && !is_required)
    return true;
  if (!list || !list->is_list()) {
    if (is_required)
      return Fail("No " + std::string(key) + " list");
    return Fail(std::string(key) + " is not a list");
  }
  for (const base::Value& file : list->GetList()) {
    if (!file.is_string())
      return Fail("Element on files list is not a string");
    files->push_back(TrimmedPath(file.GetString()));
  }
  return true;
}

bool JsonInstallationStatusReader::ReadRegistry(const base::Value& root,
                                                InstallationStatus* status) {
  const base::Value* registry = root.FindDictKey("registry");
  if (!registry)
    return Fail("No registry dictionary");
  return ReadRegistryKeys(*registry, "HKLM", &status->hklm_keys) &&
         ReadRegistryKeys(*registry, "HKCU", &status->hkcu_keys);
}

bool JsonInstallationStatusReader::ReadRegistryKeys(const base::Value& registry,
                                                    std::string_view hive,
                                                    std::vector<RegistryKeyEntry>* keys) {
  const base::Value* list = registry.FindKey(hive);
  if (!list)
    return true;
  // A hive that is not a list fails without a text of its own: the loader's
  // words about the file are all the explanation there is.
  if (!list->is_list())
    return Fail(std::string());
  for (const base::Value& key : list->GetList()) {
    RegistryKeyEntry entry;
    if (!ReadRegistryKey(key, &entry))
      return false;
    keys->push_back(std::move(entry));
  }
  return true;
}

bool JsonInstallationStatusReader::ReadRegistryKey(const base::Value& key,
                                                   RegistryKeyEntry* entry) {
  if (!key.is_dict())
    return Fail("Registry key not a dictionary");
  const std::string* path = key.FindStringKey("path");
  if (!path)
    return Fail("Registry key dictionary doesn't specify a path");
  std::optional<int> clean = key.FindIntKey("clean");
  if (!clean)
    return Fail("No cleanup information on a registry key");
  const base::Value* values = key.FindListKey("values");
  if (!values)
    return Fail("No values list in a registry key");
  entry->path = *path;
  entry->clean = *clean;
  for (const base::Value& value : values->GetList()) {
    if (!value.is_dict())
      return Fail("Registry value is not a dictionary");
    const std::string* name = value.FindStringKey("name");
    if (!name)
      return Fail("No name in a registry key value");
    const std::string* type = value.FindStringKey("type");
    if (!type)
      return Fail("No type information on a registry key value");
    // Data is optional: a value written without data reads as empty.
    const std::string* data = value.FindStringKey("data");
    entry->values.push_back({*type, *name, data ? *data : std::string()});
  }
  return true;
}

bool JsonInstallationStatusReader::ReadShortcuts(const base::Value& root,
                                                 InstallationStatus* status) {
  const base::Value* shortcuts = root.FindKey("shortcuts");
  if (!shortcuts)
    return true;
  if (!shortcuts->is_dict())
    return Fail("Shortcuts not a dictionary");
  // Both the per-user and the all-users key of a kind are accepted whatever
  // "_all_users" says; in key order the per-user one comes later and wins.
  for (const auto& [kind, path] : shortcuts->DictItems()) {
    if (!path.is_string())
      return Fail(kShortcutPathNotString);
    base::FilePath shortcut(base::UTF8ToWide(path.GetString()));
    if (kind == "SC_DEST_DESKTOP" || kind == "SC_DEST_COMMON_DESKTOP")
      status->desktop_shortcut = std::move(shortcut);
    else if (kind == "SC_DEST_MENU" || kind == "SC_DEST_COMMON_MENU")
      status->menu_shortcut = std::move(shortcut);
    else if (kind == "SC_DEST_QUICK_LAUNCH")
      status->quick_launch_shortcut = std::move(shortcut);
    else
      return Fail("Invalid shortcut type " + kind);
  }
  return true;
}

bool JsonInstallationStatusReader::ReadComponents(const base::Value& root,
                                                  InstallationStatus* status) {
  // Anything but a dictionary counts as no components.
  const base::Value* components = root.FindDictKey("components");
  if (!components)
    return true;
  for (const auto& [name, path] : components->DictItems()) {
    if (!path.is_string())
      return Fail(kShortcutPathNotString);
    status->components.emplace_back(name, TrimmedPath(path.GetString()));
  }
  return true;
}

bool JsonInstallationStatusReader::Fail(std::string error) {
  error_ = std::move(error);
  return false;
}

}  // namespace velta
