// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_STATUS_INSTALLATION_STATUS_LOADER_H_
#define DESKTOP_WINDOWS_INSTALLER_STATUS_INSTALLATION_STATUS_LOADER_H_

#include <stdint.h>

#include <memory>
#include <string>

#include "base/files/file_path.h"
#include "desktop/windows/installer/status/installation_status.h"

namespace velta {

// Where InstallationStatusLoader::Load looks when the folder's JSON status
// file cannot serve.
enum class StatusRecoveryMode : uint32_t {
  // An unusable JSON file goes straight to the recovery; a folder without one
  // tries the XML file, then the recovery.
  kNone = 0,
  // Both an unusable JSON file and a folder with neither file usable try the
  // old_status copies before the recovery.
  kOldFiles = 1,
};

// Finds and reads the status of an installation folder: its
// installation_status.json, else its legacy installation_status.xml, else the
// newest numbered copy in old_status, else what the status recovery rebuilds
// (see GetInstallationStatusRecovery). Reading the XML file needs COM on the
// calling thread.
class InstallationStatusLoader {
 public:
  virtual ~InstallationStatusLoader() = default;

  // The process-wide loader, made on first use and never destroyed.
  static InstallationStatusLoader* GetInstance();

  // Fills `*out` with the status of `folder`; null only when even the
  // recovery finds nothing. A status file that exists but cannot be used is
  // explained in `*error` and its raw text left in `*content`; a missing file
  // leaves both alone. `error` and `content` may be null.
  virtual void Load(std::unique_ptr<InstallationStatus>* out,
                    const base::FilePath& folder,
                    StatusRecoveryMode recovery_mode,
                    std::string* error,
                    std::string* content) = 0;
};

namespace internal {

enum class StatusFileResult {
  kLoaded,
  // The file exists but cannot be read or parsed.
  kUnusable,
  kMissing,
};

// Reads `file` with the reader for `source` into `*out`; null when the file
// is missing or unusable, and then `*error` (when given) says why for an
// existing file. What it reads is checked (CheckInstallationStatus against
// the installation folder the file belongs to): a version or subfolder that
// is no version folder name makes the file unusable, and the records that
// reach outside the installation are dropped.
void ReadStatusFile(std::unique_ptr<InstallationStatus>* out,
                    const base::FilePath& file,
                    StatusSource source,
                    std::string* error);

// Reads the status file of `folder` for `source` (kPrimary: the JSON file,
// kLegacyXml: the XML file). For an unusable file `*error` says why and
// `*content` holds its text.
StatusFileResult TryLoadStatusFile(const base::FilePath& folder,
                                   StatusSource source,
                                   std::unique_ptr<InstallationStatus>* out,
                                   std::string* error,
                                   std::string* content);

// The file of folder\old_status with the greatest number, and the source to
// read it as (kRecoveredFromOldFiles for JSON, kLegacyXmlRecoveredFromOldFiles
// for XML). A copy's name holds its status file's name, and its number is its
// final extension: "installation_status.json.17" is 17 and
// "installation_status.json.17.20" is 20. A copy that a transaction parked
// ("installation_status.json.17.20.old" or
// "installation_status.json.17.20.1.old") keeps the number after the status
// file's name, 17. Numbers below 1 and other names are ignored; of equal
// numbers a plain copy beats a parked one, and otherwise the first enumerated
// wins. False when none.
bool FindNewestOldStatusFile(const base::FilePath& folder,
                             base::FilePath* file,
                             StatusSource* source);

}  // namespace internal

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_STATUS_INSTALLATION_STATUS_LOADER_H_
