// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/common/installer_utils_impl.h"

#include <stdint.h>

#include <string_view>

#include "base/base_paths.h"
#include "base/command_line.h"
#include "base/files/file_path.h"
#include "base/files/file_util.h"
#include "base/logging.h"
#include "base/path_service.h"
#include "base/process_wide.h"
#include "base/strings/string_number_conversions.h"
#include "base/strings/string_split.h"
#include "base/strings/string_util.h"
#include "base/strings/utf_string_conversions.h"
#include "desktop/windows/installer/common/installer_error.h"
#include "desktop/windows/installer/common/product/installer_constants.h"
#include "desktop/windows/installer/common/product/installer_switches.h"
#include "desktop/windows/installer/common/utils.h"
#include "desktop/windows/l10n_handler/l10n_handler.h"
#include "host/resource_ids.h"

namespace velta {
namespace {

constexpr uint32_t kFilesListErrorCode = 1;
// The codes of a refused settings check.
constexpr uint32_t kInstallationMissingErrorCode = 2;
constexpr uint32_t kInvalidFolderErrorCode = 3;
constexpr uint32_t kNotEnoughSpaceErrorCode = 4;

// The detail of a refused settings check, `reason` on its second line.
std::string InvalidSettingsDetail(std::string_view reason) {
  std::string detail = "Attempting to start installation with invalid settings\n";
  detail.append(reason);
  return detail;
}

bool IsFile(const base::FilePath& path) {
  return base::PathExists(path) && !base::DirectoryExists(path);
}

base::FilePath GetExecutablePath() {
  base::FilePath path;
  if (!base::PathService::Get(base::FILE_EXE, &path))
    LOG(ERROR) << "Cannot find the path of the running executable";
  return path;
}

bool IsPackageInstaller(const base::CommandLine& command_line,
                        const base::FilePath& executable_path) {
  // Uninstalling and registering the protocol handler run the installer that
  // an installation keeps, which may lie in a folder that looks like a
  // package; they never act on a package.
  const InstallerMode mode = GetInstallerModeFromSwitches(command_line);
  if (mode == InstallerMode::kUninstall || mode == InstallerMode::kRegisterProtocolHandler)
    return false;
  // Compared with case: a package always holds the lower-case name, so
  // "Installer.exe" is a copy the user renamed, not a package's installer.
  if (executable_path.empty() ||
      executable_path.BaseName().value() != kPackageInstallerFileName) {
    return false;
  }
  const base::FilePath folder = executable_path.DirName();
  if (!IsFile(folder.Append(base::UTF8ToWide(GetBrowserExeName()))) ||
      !IsFile(folder.Append(kFilesListFileName))) {
    return false;
  }
  VLOG(1) << "Running inside the package in " << folder;
  return true;
}

}  // namespace

InstallerUtils::~InstallerUtils() = default;

// static
InstallerUtils* InstallerUtils::GetInstance() {
  return base::ProcessWide<InstallerUtils>::GetOrCreate<InstallerUtilsImpl>();
}

InstallerUtilsImpl::InstallerUtilsImpl()
    : InstallerUtilsImpl(base::CommandLine::ForCurrentProcess(), GetExecutablePath()) {}

InstallerUtilsImpl::InstallerUtilsImpl(const base::CommandLine* command_line,
                                       const base::FilePath& executable_path)
    : command_line_(command_line),
      inside_package_(IsPackageInstaller(*command_line, executable_path)) {}

InstallerUtilsImpl::~InstallerUtilsImpl() = default;

bool InstallerUtilsImpl::IsInsidePackage() const {
  return inside_package_;
}

bool InstallerUtilsImpl::IsBackend() const {
  return command_line_->HasSwitch(kBackendSwitch);
}

bool InstallerUtilsImpl::ReadFilesList(const base::FilePath& path,
                                       std::vector<std::string>* files) const {
  VLOG(1) << "Reading files list : " << path.BaseName();
  std::string contents;
  if (!base::ReadFileToString(path, &contents)) {
    LOG(ERROR) << "Cannot read the files list " << path;
    return SetInstallerError(kFilesListErrorCode, "Cannot read files list to string",
                             std::wstring());
  }
  for (std::string_view line :
       base::SplitStringPiece(contents, "\r\n", base::KEEP_WHITESPACE, base::SPLIT_WANT_NONEMPTY)) {
    files->emplace_back(line);
  }
  return true;
}

std::wstring InstallerUtilsImpl::FormatDrivesNeedingSpace(
    const std::vector<DriveSpaceNeeded>& drives) const {
  std::wstring text;
  for (const DriveSpaceNeeded& drive : drives) {
    if (!text.empty())
      text += L", ";
    text += GetL10nStringWithTwoArgs(IDS_DRIVE_SPACE_NEEDED, drive.drive.value(),
                                     base::NumberToWString(drive.megabytes));
  }
  return text;
}

bool InstallerUtilsImpl::ValidateSettings(const SettingsCheck& check) const {
  if (check.operation_decided)
    return true;
  switch (check.install_folder_problem) {
    case InstallFolderProblem::kInvalidPath:
      return SetInstallerError(kInvalidFolderErrorCode,
                               InvalidSettingsDetail("The path is invalid"),
                               std::wstring());
    case InstallFolderProblem::kNoInstallation:
      return SetInstallerError(kInstallationMissingErrorCode,
                               InvalidSettingsDetail("Installation does not exist"),
                               std::wstring());
    case InstallFolderProblem::kNotEnoughSpace: {
      const std::wstring drives = FormatDrivesNeedingSpace(check.low_disk_space);
      return SetInstallerError(kNotEnoughSpaceErrorCode,
                               InvalidSettingsDetail("Not enough disk space: " + base::WideToUTF8(drives)),
                               drives);
    }
    case InstallFolderProblem::kNone:
      break;
  }
  // No problem, yet nothing decided: the folder's details have not been
  // applied. Refusing without a code would let callers report success for an
  // installation that never ran.
  return SetInstallerError(kInvalidFolderErrorCode,
                           InvalidSettingsDetail("The install folder has not been examined yet"),
                           std::wstring());
}

bool IsRunningInsidePackage() {
  return InstallerUtils::GetInstance()->IsInsidePackage();
}

bool IsBackendProcess() {
  return InstallerUtils::GetInstance()->IsBackend();
}

bool ReadFilesList(const base::FilePath& path, std::vector<std::string>* files) {
  return InstallerUtils::GetInstance()->ReadFilesList(path, files);
}

std::wstring FormatDrivesNeedingSpace(const std::vector<DriveSpaceNeeded>& drives) {
  return InstallerUtils::GetInstance()->FormatDrivesNeedingSpace(drives);
}

bool ValidateInstallerSettings(const SettingsCheck& check) {
  return InstallerUtils::GetInstance()->ValidateSettings(check);
}

}  // namespace velta
