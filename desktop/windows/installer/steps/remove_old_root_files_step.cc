// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/steps/remove_old_root_files_step.h"

#include <memory>

#include "base/logging.h"
#include "desktop/windows/installer/common/relative_paths.h"
#include "desktop/windows/installer/flow/installer_context.h"
#include "desktop/windows/installer/installation_folder_details.h"
#include "desktop/windows/installer/status/installation_status.h"
#include "desktop/windows/installer/transactions/operation.h"
#include "desktop/windows/installer/transactions/operation_factory.h"
#include "desktop/windows/installer/transactions/transaction.h"

namespace velta {

RemoveOldRootFilesStep::RemoveOldRootFilesStep(InstallerContext* context)
    : InstallerStep(context, "remove_old_root_files") {}

RemoveOldRootFilesStep::~RemoveOldRootFilesStep() = default;

StepResult& RemoveOldRootFilesStep::Execute(StepResult& result, int32_t /*attempt*/) {
  result = StepResult(StepResult::kSuccess);
  LOG(INFO) << "Removing old files from installation root";
  const InstallationStatus* existing = GetFolderDetails()->GetExistingInstallation();
  if (!existing)
    return result;
  const base::FilePath install_folder = GetFolderDetails()->GetPath();
  for (const base::FilePath& entry : existing->root_files) {
    if (!IsRelativePathInside(entry)) {
      LOG(ERROR) << "Skipping a recorded root file outside the installation: " << entry;
      continue;
    }
    if (!MayRemoveRecordedFile(install_folder, install_folder.Append(entry)))
      continue;
    std::unique_ptr<Operation> removal = GetContext()->GetOperationFactory()->CreateDeleteFile(
        install_folder.Append(entry), ProgramInUse::kDelete, EmptyParents::kRemoveOnCommit);
    GetContext()->GetTransaction()->Execute(removal, nullptr);
  }
  return result;
}

}  // namespace velta
