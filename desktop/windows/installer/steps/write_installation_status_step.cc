// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/steps/write_installation_status_step.h"

#include <string>

#include "base/logging.h"
#include "desktop/windows/installer/common/product/installer_constants.h"
#include "desktop/windows/installer/installation_folder_details.h"
#include "desktop/windows/installer/status/installation_status_json_writer.h"

namespace velta {

WriteInstallationStatusStep::WriteInstallationStatusStep(InstallerContext* context)
    : InstallerStep(context, "write_installation_status") {}

WriteInstallationStatusStep::~WriteInstallationStatusStep() = default;

StepResult& WriteInstallationStatusStep::Execute(StepResult& result, int32_t /*attempt*/) {
  LOG(INFO) << "Writing the installation status";
  return SaveInstallationStatus(*GetNewInstallationStatus(), GetFolderDetails()->GetPath(),
                                result);
}

StepResult& SaveInstallationStatus(const InstallationStatus& status,
                                   const base::FilePath& install_folder,
                                   StepResult& result) {
  const base::FilePath file = install_folder.Append(kInstallationStatusJsonFileName);
  if (!WriteInstallationStatusJson(status, file)) {
    result = StepResult(StepResult::kFailure, 1, std::wstring(),
                        "Failed saving the installation status");
    return result;
  }
  result = StepResult(StepResult::kSuccess);
  return result;
}

}  // namespace velta
