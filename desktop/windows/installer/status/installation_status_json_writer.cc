// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/status/installation_status_json_writer.h"

#include <utility>
#include <vector>

#include "base/files/important_file_writer.h"
#include "base/json/json_writer.h"
#include "base/logging.h"
#include "base/values.h"
#include "desktop/windows/installer/status/installation_status.h"

namespace velta {

namespace {

base::Value PathList(const std::vector<base::FilePath>& paths) {
  base::Value list(base::Value::Type::LIST);
  for (const base::FilePath& path : paths)
    list.Append(path.AsUTF8Unsafe());
  return list;
}

base::Value RegistryKeyList(const std::vector<RegistryKeyEntry>& keys) {
  base::Value list(base::Value::Type::LIST);
  for (const RegistryKeyEntry& key : keys) {
    base::Value values(base::Value::Type::LIST);
    for (const RegistryValueEntry& value : key.values) {
      base::Value entry(base::Value::Type::DICTIONARY);
      entry.SetStringKey("type", value.type);
      entry.SetStringKey("name", value.name);
      entry.SetStringKey("data", value.data);
      values.Append(std::move(entry));
    }
    base::Value entry(base::Value::Type::DICTIONARY);
    entry.SetIntKey("clean", key.clean);
    entry.SetStringKey("path", key.path);
    entry.SetKey("values", std::move(values));
    list.Append(std::move(entry));
  }
  return list;
}

base::Value InstallationStatusToValue(const InstallationStatus& status) {
  base::Value root(base::Value::Type::DICTIONARY);
  root.SetStringKey("version", status.version);
  root.SetBoolKey("copy_only", status.copy_only);
  root.SetBoolKey("_all_users", status.all_users);
  if (!status.app_id.empty())
    root.SetStringKey("app_id", std::wstring_view(status.app_id));
  root.SetStringKey("path", status.path.AsUTF8Unsafe());
  root.SetStringKey("_subfolder", status.subfolder.AsUTF8Unsafe());

  root.SetKey("files", PathList(status.files));
  if (!status.root_files.empty())
    root.SetKey("root_files", PathList(status.root_files));

  base::Value registry(base::Value::Type::DICTIONARY);
  if (!status.hklm_keys.empty())
    registry.SetKey("HKLM", RegistryKeyList(status.hklm_keys));
  if (!status.hkcu_keys.empty())
    registry.SetKey("HKCU", RegistryKeyList(status.hkcu_keys));
  root.SetKey("registry", std::move(registry));

  base::Value shortcuts(base::Value::Type::DICTIONARY);
  const std::pair<const char*, const base::FilePath*> kinds[] = {
      {status.all_users ? "SC_DEST_COMMON_DESKTOP" : "SC_DEST_DESKTOP", &status.desktop_shortcut},
      {status.all_users ? "SC_DEST_COMMON_MENU" : "SC_DEST_MENU", &status.menu_shortcut},
      {"SC_DEST_QUICK_LAUNCH", &status.quick_launch_shortcut},
  };
  for (const auto& [kind, path] : kinds) {
    if (!path->empty())
      shortcuts.SetStringKey(kind, path->AsUTF8Unsafe());
  }
  if (!shortcuts.DictEmpty())
    root.SetKey("shortcuts", std::move(shortcuts));

  if (!status.components.empty()) {
    // Literal keys: a name with a dot must stay one key, not become nested
    // dictionaries the reader would refuse.
    base::Value components(base::Value::Type::DICTIONARY);
    for (const InstallationComponent& component : status.components)
      components.SetStringKey(component.name, component.path.AsUTF8Unsafe());
    root.SetKey("components", std::move(components));
  }
  return root;
}

bool SerializeStatus(const base::Value& root, std::string* json) {
  if (base::JSONWriter::Write(root, json))
    return true;
  LOG(ERROR) << "Failed to write status as JSON";
  return false;
}

}  // namespace

bool WriteInstallationStatusJson(const InstallationStatus& status, const base::FilePath& file) {
  return internal::WriteStatusValueToFile(InstallationStatusToValue(status), file);
}

std::string InstallationStatusToJson(const InstallationStatus& status) {
  std::string json;
  SerializeStatus(InstallationStatusToValue(status), &json);
  return json;
}

namespace internal {

bool WriteStatusValueToFile(const base::Value& root, const base::FilePath& file) {
  std::string json;
  // An empty text is no status: writing it would leave a file no reader
  // accepts in place of the old one.
  if (!SerializeStatus(root, &json))
    return false;
  return base::ImportantFileWriter::WriteFileAtomically(file, json);
}

}  // namespace internal

}  // namespace velta
