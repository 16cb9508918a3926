// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_STATUS_JSON_INSTALLATION_STATUS_READER_H_
#define DESKTOP_WINDOWS_INSTALLER_STATUS_JSON_INSTALLATION_STATUS_READER_H_

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/files/file_path.h"
#include "desktop/windows/installer/status/installation_status.h"
#include "desktop/windows/installer/status/installation_status_reader.h"

namespace base {
class Value;
}  // namespace base

namespace velta {

// Reads installation_status.json, the format WriteInstallationStatusJson
// writes. Required keys: "version", "copy_only", "_all_users", "path",
// "files" and "registry"; the rest may be missing. Paths of the folder, the
// subfolder, the file lists and the components are trimmed of white space at
// both ends; "app_id" and shortcut paths are taken as they are. The first
// key that is missing or of the wrong type fails the whole read with a
// sentence naming it.
class JsonInstallationStatusReader : public InstallationStatusReader {
 public:
  JsonInstallationStatusReader();
  JsonInstallationStatusReader(const JsonInstallationStatusReader&) = delete;
  JsonInstallationStatusReader& operator=(const JsonInstallationStatusReader&) = delete;
  ~JsonInstallationStatusReader() override;

  // InstallationStatusReader:
  bool Read(std::unique_ptr<InstallationStatus>* out,
            const std::string& content,
            StatusSource source) override;
  const std::string& GetError() const override;

 private:
  // Each fills its part of `status` from `root`, or sets error_ and returns
  // false.
  bool ReadHeader(const base::Value& root, InstallationStatus* status);
  bool ReadFileList(const base::Value& root,
                    std::string_view key,
                    bool is_required,
                    std::vector<base::FilePath>* files);
  bool ReadRegistry(const base::Value& root, InstallationStatus* status);
  bool ReadRegistryKeys(const base::Value& registry,
                        std::string_view hive,
                        std::vector<RegistryKeyEntry>* keys);
  bool ReadRegistryKey(const base::Value& key, RegistryKeyEntry* entry);
  bool ReadShortcuts(const base::Value& root, InstallationStatus* status);
  bool ReadComponents(const base::Value& root, InstallationStatus* status);

  bool Fail(std::string error);

  std::string error_;
};

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_STATUS_JSON_INSTALLATION_STATUS_READER_H_
