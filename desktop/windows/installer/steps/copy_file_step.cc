// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/steps/copy_file_step.h"

#include <memory>

#include "base/logging.h"
#include "desktop/windows/installer/common/relative_paths.h"
#include "desktop/windows/installer/flow/installer_context.h"
#include "desktop/windows/installer/transactions/operation.h"
#include "desktop/windows/installer/transactions/operation_factory.h"
#include "desktop/windows/installer/transactions/transaction.h"

namespace velta {

CopyFileStep::CopyFileStep(InstallerContext* context, const base::FilePath& relative_path)
    : InstallerStep(context, "copy_file:" + relative_path.AsUTF8Unsafe()),
      relative_path_(relative_path) {}

CopyFileStep::~CopyFileStep() = default;

StepResult& CopyFileStep::Execute(StepResult& result, int32_t attempt) {
  if (attempt > 0)
    GetContext()->ReportImportantEvent("file_copy_retry");
  VLOG(1) << "Copying file " << relative_path_.AsUTF8Unsafe();
  base::FilePath source_folder;
  GetSourceFolder(&source_folder);
  base::FilePath target_folder;
  GetTargetFolder(&target_folder);
  base::FilePath file_name;
  GetFileName(&file_name);
  const base::FilePath source = source_folder.Append(relative_path_);
  const base::FilePath destination = target_folder.Append(file_name);
  if (ShouldSkip(source) == 1) {
    result = StepResult(StepResult::kSuccess);
    return result;
  }
  copy_error_.clear();
  // The copy parks what it replaces, and the launcher's copy from the
  // target folder deletes its source: through a link either would reach a
  // file elsewhere.
  base::FilePath install_folder;
  GetContext()->GetInstallPath(&install_folder);
  bool copied = false;
  if (!ReachesThroughLink(install_folder, source, destination, &copy_error_)) {
    std::unique_ptr<Operation> copy =
        GetContext()->GetOperationFactory()->CreateCopyFile(source, destination);
    copied = GetContext()->GetTransaction()->Execute(copy, &copy_error_);
  }
  if (!copied) {
    LOG(ERROR) << "Failed copying " << relative_path_.AsUTF8Unsafe() << ": " << copy_error_;
    result = StepResult(IsRequired() ? StepResult::kRetryThenFail : StepResult::kRetryThenIgnore,
                        kFilePlacementError, destination.value(),
                        "Failed copying " + relative_path_.AsUTF8Unsafe() + " to " +
                            destination.AsUTF8Unsafe() + " because of error: " + copy_error_);
    return result;
  }
  result = StepResult(StepResult::kSuccess);
  OnCopied();
  return result;
}

void CopyFileStep::GetSourceFolder(base::FilePath* folder) {
  GetPackageDir(folder);
}

bool IsCopyFileStep(const std::string& name) {
  return name.find("copy_file") != std::string::npos;
}

}  // namespace velta
