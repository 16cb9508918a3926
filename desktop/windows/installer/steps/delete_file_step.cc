// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/steps/delete_file_step.h"

#include <memory>
#include <string>

#include "base/logging.h"
#include "desktop/windows/installer/flow/installer_context.h"
#include "desktop/windows/installer/transactions/operation.h"
#include "desktop/windows/installer/transactions/operation_factory.h"
#include "desktop/windows/installer/transactions/transaction.h"

namespace velta {

DeleteFileStep::DeleteFileStep(InstallerContext* context, const base::FilePath& path)
    : InstallerStep(context, "delete_file_step"), path_(path) {}

DeleteFileStep::~DeleteFileStep() = default;

StepResult& DeleteFileStep::Execute(StepResult& result, int32_t /*attempt*/) {
  LOG(INFO) << "Deleting file " << path_.AsUTF8Unsafe();
  std::unique_ptr<Operation> removal = GetContext()->GetOperationFactory()->CreateDeleteFile(
      path_, ProgramInUse::kDelete, EmptyParents::kKeep);
  std::string error;
  if (!GetContext()->GetTransaction()->Execute(removal, &error)) {
    LOG(ERROR) << "Cannot delete file " << path_.AsUTF8Unsafe() << ": " << error;
    result = StepResult(StepResult::kRetryThenFail, 1, std::wstring(),
                        "Cannot delete file " + path_.AsUTF8Unsafe());
    return result;
  }
  result = StepResult(StepResult::kSuccess);
  return result;
}

}  // namespace velta
