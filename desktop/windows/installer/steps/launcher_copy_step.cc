// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/steps/launcher_copy_step.h"

#include <memory>

#include "desktop/windows/installer/common/product/installer_constants.h"
#include "desktop/windows/installer/flow/installer_context.h"
#include "desktop/windows/installer/transactions/operation.h"
#include "desktop/windows/installer/transactions/operation_factory.h"
#include "desktop/windows/installer/transactions/transaction.h"

namespace velta {

LauncherCopyStep::LauncherCopyStep(InstallerContext* context)
    : CopyFileStep(context, base::FilePath(kLauncherFileName)) {}

void LauncherCopyStep::OnCopied() {
  if (!GetContext()->HasPackageDir())
    return;
  base::FilePath target_folder;
  GetInstallTargetFolder(&target_folder);
  std::unique_ptr<Operation> removal = GetContext()->GetOperationFactory()->CreateDeleteFile(
      target_folder.Append(kLauncherFileName), ProgramInUse::kDelete, EmptyParents::kKeep);
  GetContext()->GetTransaction()->Execute(removal, nullptr);
}

void LauncherCopyStep::GetSourceFolder(base::FilePath* folder) {
  if (GetContext()->HasPackageDir())
    GetInstallTargetFolder(folder);
  else
    GetPackageDir(folder);
}

void LauncherCopyStep::GetTargetFolder(base::FilePath* folder) {
  GetContext()->GetInstallPath(folder);
}

}  // namespace velta
