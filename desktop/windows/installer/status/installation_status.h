// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_STATUS_INSTALLATION_STATUS_H_
#define DESKTOP_WINDOWS_INSTALLER_STATUS_INSTALLATION_STATUS_H_

#include <cstdint>
#include <string>
#include <vector>

#include "base/files/file_path.h"
#include "desktop/windows/installer/common/product/installer_constants.h"

namespace velta {

// Where a status record came from. Never written to a status file; its name
// appears in log lines and statistics.
enum class StatusSource : uint32_t {
  // An empty placeholder, e.g. for an installation whose own file is
  // unreadable.
  kInvalid = 0,
  // Built by the installer for the installation it is making.
  kGenerated = 1,
  // The folder's installation_status.json.
  kPrimary = 2,
  // The folder's installation_status.xml.
  kLegacyXml = 3,
  // A JSON file of the old_status folder.
  kRecoveredFromOldFiles = 4,
  // An XML file of the old_status folder.
  kLegacyXmlRecoveredFromOldFiles = 5,
  // A name only; no record is made with it.
  kString = 6,
  // Rebuilt from what an old installation left on disk.
  kFullyRecovered = 7,
};

// "invalid", "generated", "primary", "legacy_xml", "recovered_from_old_files",
// "legacy_xml_recovered_from_old_files", "string", "fully_recovered", and ""
// for any other number (a value read from elsewhere).
const char* GetStatusSourceName(StatusSource source);

// A component installer that was run, named by the word that also names its
// executable ("<name>_installer.exe").
struct InstallationComponent {
  InstallationComponent(const std::string& name, const base::FilePath& path);

  friend bool operator==(const InstallationComponent&, const InstallationComponent&) = default;

  std::string name;
  base::FilePath path;
};

// One value the installer wrote under a registry key, as text.
struct RegistryValueEntry {
  friend bool operator==(const RegistryValueEntry&, const RegistryValueEntry&) = default;

  std::string type;
  std::string name;
  std::string data;
};

// A registry key the installer wrote to, and what removing the installation
// removes there.
struct RegistryKeyEntry {
  // The `clean` numbers: 0 removes only the recorded values, 1 the key, and
  // any n > 1 the key n - 1 levels above it (with everything below).
  static constexpr int kCleanValues = 0;
  static constexpr int kCleanKey = 1;

  friend bool operator==(const RegistryKeyEntry&, const RegistryKeyEntry&) = default;

  int clean = kCleanValues;
  // Below the hive, as UTF-8.
  std::string path;
  std::vector<RegistryValueEntry> values;
};

// What an installation consists of: the record of its status file. Plain
// data, copied when a status must outlive its owner; loaded records belong to
// the std::unique_ptr that received them.
struct InstallationStatus {
  // Both flags false, every text and list empty.
  explicit InstallationStatus(StatusSource source);
  InstallationStatus(const InstallationStatus& that);
  InstallationStatus& operator=(const InstallationStatus& that);
  ~InstallationStatus();

  friend bool operator==(const InstallationStatus&, const InstallationStatus&) = default;

  // A plain copy, without registry integration.
  bool copy_only = false;
  // Installed machine-wide.
  bool all_users = false;
  StatusSource source;
  // May be empty.
  std::wstring app_id;
  base::FilePath path;
  // The versioned subfolder of `path` holding the binaries; may be empty.
  base::FilePath subfolder;
  std::string version;
  // Each empty when there is no such shortcut.
  base::FilePath desktop_shortcut;
  base::FilePath menu_shortcut;
  base::FilePath quick_launch_shortcut;
  // Installed into `subfolder`.
  std::vector<base::FilePath> files;
  // Installed directly into `path`.
  std::vector<base::FilePath> root_files;
  std::vector<InstallationComponent> components;
  std::vector<RegistryKeyEntry> hklm_keys;
  std::vector<RegistryKeyEntry> hkcu_keys;
};

// A second application id distinct from the browser's own: `app_id` + "1".
// The web-site shortcuts the installer pins carry it.
std::wstring GetSuffixedAppId(const InstallationStatus& status);

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_STATUS_INSTALLATION_STATUS_H_
