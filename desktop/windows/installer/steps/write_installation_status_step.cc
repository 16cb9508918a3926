// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/steps/write_installation_status_step.h"

#include <memory>
#include <string>

#include "base/files/file_path.h"
#include "base/logging.h"
#include "desktop/windows/installer/common/product/installer_constants.h"
#include "desktop/windows/installer/flow/installer_context.h"
#include "desktop/windows/installer/installation_folder_details.h"
#include "desktop/windows/installer/status/installation_status_json_writer.h"
#include "desktop/windows/installer/transactions/operation.h"
#include "desktop/windows/installer/transactions/operation_factory.h"
#include "desktop/windows/installer/transactions/transaction.h"

namespace velta {

WriteInstallationStatusStep::WriteInstallationStatusStep(InstallerContext* context)
    : InstallerStep(context, "write_installation_status") {}

WriteInstallationStatusStep::~WriteInstallationStatusStep() = default;

StepResult& WriteInstallationStatusStep::Execute(StepResult& result, int32_t /*attempt*/) {
  LOG(INFO) << "Writing the installation status";
  return SaveInstallationStatus(GetContext(), *GetNewInstallationStatus(), result);
}

StepResult& SaveInstallationStatus(InstallerContext* context,
                                   const InstallationStatus& status,
                                   StepResult& result) {
  const base::FilePath file =
      context->GetFolderDetails()->GetPath().Append(kInstallationStatusJsonFileName);
  // A status that outlived a failed run would make the next run take the
  // folder for an installation whose files are gone.
  std::unique_ptr<Operation> rewrite = context->GetOperationFactory()->CreateRewriteFile(file);
  std::string error;
  if (!context->GetTransaction()->Execute(rewrite, &error) ||
      !WriteInstallationStatusJson(status, file)) {
    result = StepResult(StepResult::kFailure, 1, std::wstring(),
                        "Failed saving the installation status");
    return result;
  }
  result = StepResult(StepResult::kSuccess);
  return result;
}

}  // namespace velta
