// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/steps/remove_old_files_step.h"

#include <memory>
#include <string>

#include "base/base_paths.h"
#include "base/files/file_enumerator.h"
#include "base/files/file_util.h"
#include "base/logging.h"
#include "base/path_service.h"
#include "base/strings/utf_string_conversions.h"
#include "desktop/windows/installer/common/product/installer_constants.h"
#include "desktop/windows/installer/common/product/product_constants.h"
#include "desktop/windows/installer/common/relative_paths.h"
#include "desktop/windows/installer/common/utils.h"
#include "desktop/windows/installer/common/win/security_utils.h"
#include "desktop/windows/installer/flow/installer_context.h"
#include "desktop/windows/installer/installation_folder_details.h"
#include "desktop/windows/installer/settings.h"
#include "desktop/windows/installer/status/installation_status.h"
#include "desktop/windows/installer/status/installation_status_loader.h"
#include "desktop/windows/installer/steps/configure_firewall.h"
#include "desktop/windows/installer/transactions/operation.h"
#include "desktop/windows/installer/transactions/operation_factory.h"
#include "desktop/windows/installer/transactions/transaction.h"

namespace velta {

namespace {

// The kind of an old status file by its name, or kInvalid for another file.
StatusSource ClassifyOldStatusFile(const base::FilePath& file) {
  const std::wstring name = file.BaseName().value();
  if (name.find(L".json.") != std::wstring::npos)
    return StatusSource::kRecoveredFromOldFiles;
  if (name.find(L".xml.") != std::wstring::npos)
    return StatusSource::kLegacyXmlRecoveredFromOldFiles;
  return StatusSource::kInvalid;
}

}  // namespace

RemoveOldFilesStep::RemoveOldFilesStep(InstallerContext* context)
    : InstallerStep(context, "remove_old_files") {}

RemoveOldFilesStep::~RemoveOldFilesStep() = default;

StepResult& RemoveOldFilesStep::Execute(StepResult& result, int32_t /*attempt*/) {
  result = StepResult(StepResult::kSuccess);
  LOG(INFO) << "Removing installed files.";
  const base::FilePath install_folder = GetFolderDetails()->GetPath();
  const base::FilePath old_status = install_folder.Append(kOldStatusFolderName);
  if (!base::DirectoryExists(old_status)) {
    LOG(INFO) << "No old status files found.";
    return result;
  }
  const bool is_uninstall = GetSettings()->GetOperation() == InstallOperation::kUninstall;
  OperationFactory* factory = GetContext()->GetOperationFactory();
  base::FileEnumerator files(old_status, false, base::FileEnumerator::FILES);
  for (base::FilePath file = files.Next(); !file.empty(); file = files.Next()) {
    const StatusSource source = ClassifyOldStatusFile(file);
    if (source == StatusSource::kInvalid)
      continue;
    std::string content;
    if (!base::ReadFileToString(file, &content)) {
      LOG(ERROR) << "Cannot load an old file to string: " << file;
      continue;
    }
    std::unique_ptr<InstallationStatus> status;
    internal::ReadStatusFile(&status, file, source, nullptr);
    if (!status) {
      LOG(ERROR) << "Found invalid old status file: " << file;
      continue;
    }
    LOG(INFO) << "Found old status file: " << file;
    if (!status->subfolder.empty() && !IsRelativePathInside(status->subfolder)) {
      LOG(ERROR) << "The old status names a subfolder outside the installation: "
                 << status->subfolder;
      continue;
    }
    const base::FilePath base = install_folder.Append(status->subfolder);
    // This record's own transaction: committed (its parked files deleted)
    // before the next record, or rolled back alone.
    auto transaction = std::make_unique<Transaction>();
    bool failed = false;
    for (const base::FilePath& entry : status->files) {
      if (!IsRelativePathInside(entry)) {
        LOG(ERROR) << "Skipping a recorded file outside the installation: " << entry;
        continue;
      }
      // A folder of the old version replaced by a link leads to another
      // place's files.
      if (!MayRemoveRecordedFile(install_folder, base.Append(entry)))
        continue;
      std::unique_ptr<Operation> removal = factory->CreateDeleteFile(
          base.Append(entry), ProgramInUse::kKeep, EmptyParents::kRemoveOnCommit);
      std::string error;
      if (!transaction->Execute(removal, &error)) {
        LOG(ERROR) << "Cannot delete " << base.Append(entry) << ": " << error;
        failed = true;
        if (!is_uninstall) {
          transaction->Rollback();
          break;
        }
      }
    }
    if (SecurityUtils::GetInstance()->IsUserInAdminGroup(false))
      ConfigureFirewall(base.AppendASCII(GetBrowserExeName()), true);
    if (failed && !is_uninstall)
      continue;
    transaction.reset();
    LOG(INFO) << "Deleting " << file;
    if (!base::DeleteFile(file))
      LOG(ERROR) << "Cannot delete the old status file " << file;
  }
  ::RemoveDirectoryW(old_status.value().c_str());

  base::FilePath start_menu;
  if (base::PathService::Get(base::DIR_START_MENU, &start_menu)) {
    const std::wstring brand = base::UTF8ToWide(GetBrandName());
    base::FileEnumerator shortcuts(start_menu, false, base::FileEnumerator::FILES,
                                   brand + L"*" + brand + L" Assistant.lnk");
    for (base::FilePath shortcut = shortcuts.Next(); !shortcut.empty();
         shortcut = shortcuts.Next()) {
      base::DeleteFile(shortcut);
    }
  }
  return result;
}

}  // namespace velta
