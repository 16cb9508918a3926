// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_STEPS_WRITE_INSTALLATION_STATUS_STEP_H_
#define DESKTOP_WINDOWS_INSTALLER_STEPS_WRITE_INSTALLATION_STATUS_STEP_H_

#include "desktop/windows/installer/steps/installer_step.h"

namespace velta {

// Writes the new status record as the install folder's
// installation_status.json. A failed write fails the job (code 1).
class WriteInstallationStatusStep : public InstallerStep {
 public:
  explicit WriteInstallationStatusStep(InstallerContext* context);
  ~WriteInstallationStatusStep() override;

  StepResult& Execute(StepResult& result, int32_t attempt) override;
};

// Writes `status` as installation_status.json of the context's
// installation folder, undone with the context's transaction (a failed run
// leaves the file it found, or none), and sets `result`: success, or code 1
// with "Failed saving the installation status".
StepResult& SaveInstallationStatus(InstallerContext* context,
                                   const InstallationStatus& status,
                                   StepResult& result);

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_STEPS_WRITE_INSTALLATION_STATUS_STEP_H_
