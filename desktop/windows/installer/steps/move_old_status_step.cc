// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/steps/move_old_status_step.h"

#include <memory>
#include <string>

#include "base/files/file_path.h"
#include "base/files/file_util.h"
#include "base/logging.h"
#include "base/time/time.h"
#include "desktop/windows/installer/common/product/installer_constants.h"
#include "desktop/windows/installer/flow/installer_context.h"
#include "desktop/windows/installer/transactions/operation.h"
#include "desktop/windows/installer/transactions/operation_factory.h"
#include "desktop/windows/installer/transactions/transaction.h"

namespace velta {

MoveOldStatusStep::MoveOldStatusStep(InstallerContext* context)
    : InstallerStep(context, "move_old_status") {}

MoveOldStatusStep::~MoveOldStatusStep() = default;

StepResult& MoveOldStatusStep::Execute(StepResult& result, int32_t /*attempt*/) {
  result = StepResult(StepResult::kSuccess);
  LOG(INFO) << "Preserving previous installer status.";
  base::FilePath install_folder;
  GetContext()->GetInstallFolder(&install_folder);
  base::FilePath source = install_folder.Append(kInstallationStatusJsonFileName);
  if (!base::PathExists(source))
    source = install_folder.Append(kInstallationStatusXmlFileName);
  if (!base::PathExists(source)) {
    LOG(WARNING) << "No previous status file found.";
    return result;
  }
  Transaction* transaction = GetContext()->GetTransaction();
  OperationFactory* factory = GetContext()->GetOperationFactory();
  const base::FilePath old_status = install_folder.Append(kOldStatusFolderName);
  if (!base::DirectoryExists(old_status)) {
    LOG(INFO) << "Creating folder for old status files.";
    std::unique_ptr<Operation> create = factory->CreateCreateFolder(old_status);
    std::string error;
    if (!transaction->Execute(create, &error)) {
      LOG(ERROR) << "Cannot create the old status folder: " << error;
      return result;
    }
  }
  const int64_t seconds = (base::Time::Now() - base::Time::UnixEpoch()).InSeconds();
  const base::FilePath destination =
      old_status.Append(source.BaseName().value() + L"." + std::to_wstring(seconds));
  LOG(INFO) << "Moving old status file.";
  std::unique_ptr<Operation> move = factory->CreateMoveFile(source, destination);
  std::string error;
  if (!transaction->Execute(move, &error))
    LOG(ERROR) << "Cannot move the old status file: " << error;
  return result;
}

}  // namespace velta
