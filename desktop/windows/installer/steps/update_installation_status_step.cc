// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/steps/update_installation_status_step.h"

#include <algorithm>
#include <string>

#include "base/logging.h"
#include "desktop/windows/installer/status/installation_status.h"
#include "desktop/windows/installer/steps/write_installation_status_step.h"

namespace velta {

UpdateInstallationStatusStep::UpdateInstallationStatusStep(InstallerContext* context)
    : InstallerStep(context, "update_installation_status") {}

UpdateInstallationStatusStep::~UpdateInstallationStatusStep() = default;

StepResult& UpdateInstallationStatusStep::Execute(StepResult& result, int32_t /*attempt*/) {
  LOG(INFO) << "Writing the installation status";
  const InstallationStatus* existing = GetExistingInstallation();
  // Without the existing record there is nothing to merge into: writing the
  // new files alone would drop every other entry of the installation.
  if (!existing) {
    LOG(ERROR) << "No existing installation status to update";
    result = StepResult(StepResult::kFailure, 1, std::wstring(),
                        "Failed saving the installation status");
    return result;
  }
  InstallationStatus updated(*existing);
  for (const base::FilePath& file : GetNewInstallationStatus()->files) {
    if (std::find(updated.files.begin(), updated.files.end(), file) == updated.files.end())
      updated.files.push_back(file);
  }
  return SaveInstallationStatus(GetContext(), updated, result);
}

}  // namespace velta
