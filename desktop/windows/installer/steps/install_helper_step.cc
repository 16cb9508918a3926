// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/steps/install_helper_step.h"

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "base/files/file_path.h"
#include "base/files/file_util.h"
#include "base/logging.h"
#include "base/win/windows_version.h"
#include "desktop/windows/installer/common/product/architecture_names.h"
#include "desktop/windows/installer/common/product/installer_constants.h"
#include "desktop/windows/installer/common/win/win_api.h"
#include "desktop/windows/installer/flow/installer_context.h"
#include "desktop/windows/installer/status/installation_status.h"
#include "desktop/windows/installer/transactions/operation.h"
#include "desktop/windows/installer/transactions/operation_factory.h"
#include "desktop/windows/installer/transactions/transaction.h"

namespace velta {

InstallHelperStep::InstallHelperStep(InstallerContext* context)
    : InstallerStep(context, "install_helper") {}

InstallHelperStep::~InstallHelperStep() = default;

StepResult& InstallHelperStep::Execute(StepResult& result, int32_t /*attempt*/) {
  const base::FilePath helper(GetHelperFileName(WinApi::GetInstance()->GetOsArchitecture()));
  const base::FilePath other_helper(helper.value() == kHelperFileName ? kHelper64FileName
                                                                      : kHelperFileName);
  base::FilePath target_folder;
  GetInstallTargetFolder(&target_folder);
  std::vector<base::FilePath>& files = GetNewInstallationStatus()->files;
  if (GetContext()->HasPackageDir()) {
    if (!base::PathExists(target_folder.Append(helper))) {
      LOG(ERROR) << "Installer helper not present in unpacked files: " << helper.AsUTF8Unsafe();
      result = StepResult(StepResult::kFailure, kFilePlacementError, helper.value(),
                          "Installer helper not present in unpacked files");
      return result;
    }
    const base::FilePath other_path = target_folder.Append(other_helper);
    if (base::PathExists(other_path)) {
      std::unique_ptr<Operation> removal = GetContext()->GetOperationFactory()->CreateDeleteFile(
          other_path, ProgramInUse::kDelete, EmptyParents::kKeep);
      // The unpacked files were all recorded when the package was checked:
      // a helper that is gone must not stay in the record.
      if (GetContext()->GetTransaction()->Execute(removal, nullptr))
        std::erase(files, other_helper);
    }
  } else {
    base::FilePath package_dir;
    GetPackageDir(&package_dir);
    std::unique_ptr<Operation> copy = GetContext()->GetOperationFactory()->CreateCopyFile(
        package_dir.Append(helper), target_folder.Append(helper));
    std::string error;
    if (!GetContext()->GetTransaction()->Execute(copy, &error)) {
      LOG(ERROR) << "Cannot copy installer helper: " << error;
      result = StepResult(StepResult::kRetryThenFail, kFilePlacementError, helper.value(),
                          "Cannot copy installer helper");
      return result;
    }
  }
  if (std::find(files.begin(), files.end(), helper) == files.end())
    files.push_back(helper);
  result = StepResult(StepResult::kSuccess);
  return result;
}

}  // namespace velta
