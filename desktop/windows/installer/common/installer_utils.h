// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_COMMON_INSTALLER_UTILS_H_
#define DESKTOP_WINDOWS_INSTALLER_COMMON_INSTALLER_UTILS_H_

#include <stdint.h>

#include <string>
#include <vector>

#include "base/files/file_path.h"

namespace velta {

// Why an install folder cannot be used. The install folder's details find
// the first two; the settings add the third.
enum class InstallFolderProblem : uint32_t {
  kNone = 0,
  // Not a usable folder path (empty, relative, a file, a missing drive, a
  // CD-ROM, ...).
  kInvalidPath = 1,
  // A drive the installation needs lacks free space.
  kNotEnoughSpace = 2,
  // Uninstalling was asked, but the folder holds no installation.
  kNoInstallation = 3,
};

// A drive that lacks the space an installation needs.
struct DriveSpaceNeeded {
  friend bool operator==(const DriveSpaceNeeded&, const DriveSpaceNeeded&) = default;
  // The drive as the path names it, in upper case ("C:").
  base::FilePath drive;
  uint64_t megabytes = 0;
};

// What the check before an installation looks at (see ValidateSettings).
struct SettingsCheck {
  // The settings decided what to do with the folder (an operation other
  // than "not decided").
  bool operation_decided = false;
  InstallFolderProblem install_folder_problem = InstallFolderProblem::kNone;
  // With kNotEnoughSpace: the drives short of space.
  std::vector<DriveSpaceNeeded> low_disk_space;
};

// Questions about the running process and its package that several parts of
// the installer ask.
//
// One process-wide instance (see ProcessWide): the real one is made on first
// use, on the main thread before any worker starts, from the process's command
// line and executable, and is never destroyed; a test puts another in place
// with base::ProcessWide<InstallerUtils>::ScopedOverride. The free functions below
// forward to it. Its answers never change, so any thread may ask.
class InstallerUtils {
 public:
  InstallerUtils(const InstallerUtils&) = delete;
  InstallerUtils& operator=(const InstallerUtils&) = delete;
  virtual ~InstallerUtils();

  // The one a test put in place, else the real one.
  static InstallerUtils* GetInstance();

  // Whether this process is the installer of an unpacked package: an
  // executable named exactly "installer.exe" beside the browser executable
  // and a "files_list", and a run that neither uninstalls nor registers the
  // protocol handler (those run the installed copy, wherever it lies).
  // Decided once, when the instance is made.
  virtual bool IsInsidePackage() const = 0;

  // Whether the process was started with `backend`.
  virtual bool IsBackend() const = 0;

  // Appends the lines of the files list at `path` to `files`: the file is
  // split at every carriage return and line feed, empty lines are dropped and
  // other white space is kept. When the file cannot be read, `files` is left
  // as it was, the installer error is set (code 1) and false returned.
  virtual bool ReadFilesList(const base::FilePath& path,
                             std::vector<std::string>* files) const = 0;

  // "drive C: (120 MB needed), drive D: (5 MB needed)": for each drive the
  // installer's string "drive $1 ($2 MB needed)" in the user's language,
  // with $1 the drive and $2 the megabytes in decimal, joined by ", ".
  virtual std::wstring FormatDrivesNeedingSpace(
      const std::vector<DriveSpaceNeeded>& drives) const = 0;

  // Whether an installation may start with settings in the state `check`
  // describes. When not, the installer error says why, always with a
  // non-zero code: 3 for an unusable folder (or one not decided yet), 2 for
  // an uninstall without an installation, 4 for a lack of disk space (its
  // text names the drives).
  virtual bool ValidateSettings(const SettingsCheck& check) const = 0;

 protected:
  InstallerUtils() = default;
};

// Forwarders to InstallerUtils::GetInstance().
bool IsRunningInsidePackage();
bool IsBackendProcess();
bool ReadFilesList(const base::FilePath& path, std::vector<std::string>* files);
std::wstring FormatDrivesNeedingSpace(const std::vector<DriveSpaceNeeded>& drives);
// Whether an installation may start with the settings `check` describes;
// sets the installer error when not (see InstallerUtils::ValidateSettings).
bool ValidateInstallerSettings(const SettingsCheck& check);

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_COMMON_INSTALLER_UTILS_H_
