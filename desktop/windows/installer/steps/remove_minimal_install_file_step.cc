// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/steps/remove_minimal_install_file_step.h"

#include <memory>
#include <string>
#include <vector>

#include "base/files/file_path.h"
#include "base/logging.h"
#include "base/strings/string_util.h"
#include "desktop/windows/installer/common/product/installer_constants.h"
#include "desktop/windows/installer/flow/installer_context.h"
#include "desktop/windows/installer/transactions/operation.h"
#include "desktop/windows/installer/transactions/operation_factory.h"
#include "desktop/windows/installer/transactions/transaction.h"
#include "desktop/windows/installer/utils/downloadable_resources.h"

namespace velta {

RemoveMinimalInstallFileStep::RemoveMinimalInstallFileStep(InstallerContext* context)
    : InstallerStep(context, "remove_minimal_install_file") {}

RemoveMinimalInstallFileStep::~RemoveMinimalInstallFileStep() = default;

StepResult& RemoveMinimalInstallFileStep::Execute(StepResult& result, int32_t /*attempt*/) {
  LOG(INFO) << "Removing minimal install file.";
  result = StepResult(StepResult::kSuccess);
  base::FilePath target_folder;
  GetInstallTargetFolder(&target_folder);
  const std::vector<std::string> missing = ListMissingDownloadableResources(target_folder);
  if (!missing.empty()) {
    // The repair ends without them: a later run fetches them again.
    LOG(WARNING) << "Downloadable resources still missing: " << base::JoinString(missing, ", ")
                 << "; the minimal install marker stays";
    return result;
  }
  std::unique_ptr<Operation> removal = GetContext()->GetOperationFactory()->CreateDeleteFile(
      target_folder.Append(kMinimalInstallFileName), ProgramInUse::kDelete, EmptyParents::kKeep);
  GetContext()->GetTransaction()->Execute(removal, nullptr);
  return result;
}

}  // namespace velta
