// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/installation/package_handler.h"

#include <limits>
#include <utility>
#include <vector>

#include "base/command_line.h"
#include "base/files/file_path.h"
#include "base/files/file_util.h"
#include "base/logging.h"
#include "base/strings/string_util.h"
#include "base/strings/utf_string_conversions.h"
#include "base/version.h"
#include "base/win/windows_version.h"
#include "desktop/windows/installer/common/installer_error.h"
#include "desktop/windows/installer/common/installer_utils.h"
#include "desktop/windows/installer/common/product/architecture_names.h"
#include "desktop/windows/installer/common/product/installer_constants.h"
#include "desktop/windows/installer/common/product/product_constants.h"
#include "desktop/windows/installer/common/win/win_api.h"
#include "desktop/windows/installer/flow/installer_context.h"
#include "desktop/windows/installer/interprocess_state.h"
#include "desktop/windows/installer/lzma_util/lzma_util.h"
#include "desktop/windows/installer/settings.h"
#include "desktop/windows/installer/transactions/operation.h"
#include "desktop/windows/installer/transactions/operation_factory.h"
#include "desktop/windows/installer/transactions/transaction.h"
#include "desktop/windows/installer/utils/file_version_utils.h"

namespace velta {

namespace {

// How many "<version>_<n>" names are tried before giving up.
constexpr int kMaxSubfolderSuffix = 1000;

// Whether `entry` of a files list names a file inside the folder it is
// relative to: not absolute, no drive or stream, no "..".
bool IsSafeListEntry(const base::FilePath& entry) {
  return !entry.empty() && !entry.IsAbsolute() && !entry.ReferencesParent() &&
         entry.value().find(L':') == std::wstring::npos && entry.value()[0] != L'\\' &&
         entry.value()[0] != L'/';
}

}  // namespace

bool IsDirectUnpackingStep(const std::string& step_name) {
  return step_name == kDirectUnpackingStepName;
}

PackageHandler::PackageHandler(std::unique_ptr<FileVersionUtils> file_version_utils,
                               std::unique_ptr<LzmaUtil> lzma_util,
                               InstallerContext* context,
                               PackageProgressObserver* observer)
    : file_version_utils_(std::move(file_version_utils)),
      lzma_util_(std::move(lzma_util)),
      context_(context),
      observer_(observer) {}

PackageHandler::~PackageHandler() = default;

std::string PackageHandler::GetPackageVersion(const base::FilePath& package_dir) {
  base::Version version;
  base::Version internal_version;
  if (file_version_utils_->GetVersionFromResources(package_dir.Append(kPackageFileName).value(),
                                                   &version, &internal_version, nullptr) &&
      version.IsValid()) {
    return version.GetString();
  }
  const base::FilePath version_file = package_dir.Append(kPackageVersionFileName);
  if (!base::PathExists(version_file))
    return GetProductVersion();
  std::string text;
  if (!base::ReadFileToString(version_file, &text)) {
    SetInstallerError(6, "Cannot read the package version file", std::wstring());
    return std::string();
  }
  // A file written by a script ends with a line break.
  const base::Version package_version(std::string(base::TrimWhitespaceASCII(text, base::TRIM_ALL)));
  if (!package_version.IsValid()) {
    SetInstallerError(6, "Invalid package version found in package folder " + text,
                      std::wstring());
    return std::string();
  }
  return package_version.GetString();
}

bool PackageHandler::PrepareInstallSubfolder(base::CommandLine* command_line) {
  const InstallOperation operation = context_->GetInstallOperation();
  if (operation == InstallOperation::kUninstall ||
      operation == InstallOperation::kRepairDownloadableResources ||
      command_line->HasSwitch(kInstallSubfolderSwitch)) {
    return true;
  }
  base::FilePath package_dir;
  context_->GetPackageDir(&package_dir);
  const std::string version = GetPackageVersion(package_dir);
  if (version.empty())
    return false;

  base::FilePath install_folder;
  context_->GetInstallFolder(&install_folder);
  const std::wstring version_name = base::UTF8ToWide(version);
  std::wstring name = version_name;
  for (int suffix = 0; base::PathExists(install_folder.Append(name)); ++suffix) {
    if (suffix == kMaxSubfolderSuffix)
      return SetInstallerError(6, "Cannot create the installation subfolder.", std::wstring());
    name = version_name + L"_" + std::to_wstring(suffix);
  }

  std::unique_ptr<Operation> create =
      context_->GetOperationFactory()->CreateCreateFolder(install_folder.Append(name));
  std::string error;
  if (!context_->GetTransaction()->Execute(create, &error)) {
    LOG(ERROR) << "Cannot create the installation subfolder " << install_folder.Append(name)
               << ": " << error;
    return SetInstallerError(6, "Cannot create the installation subfolder.", std::wstring());
  }
  command_line->AppendSwitchNative(kInstallSubfolderSwitch, name);
  return true;
}

bool PackageHandler::InstallPackageFiles(base::CommandLine* command_line) {
  if (!PrepareInstallSubfolder(command_line))
    return AppendInstallerError("Cannot create subfolder for package.", 0, std::wstring());
  // A repair's package is the fetched resource packs and their list, no
  // archive: the repair job's own copy steps put them into the installation.
  if (context_->GetInstallOperation() == InstallOperation::kRepairDownloadableResources)
    return true;
  if (InterprocessState::GetInstance()->IsInsidePackage()) {
    if (!CopyUnpackedFiles())
      return AppendInstallerError("Cannot copy unpacked files to subfolder.", 0, std::wstring());
    return true;
  }
  base::FilePath target;
  context_->GetInstallTargetFolder(&target);
  if (!UnpackInstaller(target))
    return AppendInstallerError("Cannot unpack the installer", 0, std::wstring());
  return true;
}

bool PackageHandler::CopyUnpackedFiles() {
  base::FilePath package_dir;
  context_->GetPackageDir(&package_dir);
  std::vector<std::string> entries;
  if (!ReadFilesList(package_dir.Append(kFilesListFileName), &entries))
    return AppendInstallerError("Cannot read debug files list", 0, std::wstring());
  if (!ReadFilesList(package_dir.Append(kRootFilesListFileName), &entries))
    return AppendInstallerError("Cannot read debug root files list", 0, std::wstring());
  entries.push_back(base::WideToUTF8(kFilesListFileName));
  entries.push_back(base::WideToUTF8(kRootFilesListFileName));
  entries.push_back(base::WideToUTF8(kLauncherFileName));
  entries.push_back(
      base::WideToUTF8(GetHelperFileName(WinApi::GetInstance()->GetOsArchitecture())));
  if (entries.size() > static_cast<size_t>(std::numeric_limits<int32_t>::max()))
    return SetInstallerError(10, "Too many package files", std::wstring());
  observer_->OnTotalSteps(static_cast<int32_t>(entries.size()));

  base::FilePath target;
  context_->GetInstallTargetFolder(&target);
  OperationFactory* factory = context_->GetOperationFactory();
  Transaction* transaction = context_->GetTransaction();
  for (size_t index = 0; index < entries.size(); ++index) {
    const std::string& entry = entries[index];
    const base::FilePath relative(base::UTF8ToWide(entry));
    // A list entry must not lead out of the package or the target folder.
    if (!IsSafeListEntry(relative)) {
      LOG(ERROR) << "Refusing the package file " << entry;
      return SetInstallerError(
          10, "Cannot copy package file '" + entry + "'\nThe path leads out of the folder.",
          std::wstring());
    }
    const base::FilePath destination = target.Append(relative);
    std::string error;
    // A file in a sub-folder needs its folder first; it is taken away again
    // by a rollback.
    if (!base::DirectoryExists(destination.DirName())) {
      std::unique_ptr<Operation> create = factory->CreateCreateFolder(destination.DirName());
      if (!transaction->Execute(create, &error)) {
        return SetInstallerError(10, "Cannot copy package file '" + entry + "'\n" + error,
                                 std::wstring());
      }
    }
    std::unique_ptr<Operation> copy =
        factory->CreateCopyFile(package_dir.Append(relative), destination);
    if (!transaction->Execute(copy, &error)) {
      return SetInstallerError(10, "Cannot copy package file '" + entry + "'\n" + error,
                               std::wstring());
    }
    observer_->OnStepFinished(kDirectUnpackingStepName, static_cast<int32_t>(index));
  }
  return true;
}

bool PackageHandler::UnpackInstaller(const base::FilePath& destination) {
  base::FilePath package_dir;
  context_->GetPackageDir(&package_dir);
  std::unique_ptr<Operation> unpack = context_->GetOperationFactory()->CreateUnpackArchive(
      package_dir.Append(kPackageFileName), destination, lzma_util_.get(), this);
  std::string error;
  if (!context_->GetTransaction()->Execute(unpack, &error))
    return SetInstallerError(1, "Unpack archive operation failed\n" + error, std::wstring());
  return true;
}

void PackageHandler::SetTotalFiles(int total) {
  observer_->OnTotalSteps(total);
}

void PackageHandler::OnFileUnpacked(int index) {
  observer_->OnStepFinished(kDirectUnpackingStepName, index);
}

}  // namespace velta
