// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_STEPS_UPDATE_INSTALLATION_STATUS_STEP_H_
#define DESKTOP_WINDOWS_INSTALLER_STEPS_UPDATE_INSTALLATION_STATUS_STEP_H_

#include "desktop/windows/installer/steps/installer_step.h"

namespace velta {

// For a repair of the downloadable resources: writes the existing
// installation's status with the files the repair copied added to its files
// list. A failed write fails the job (code 1).
class UpdateInstallationStatusStep : public InstallerStep {
 public:
  explicit UpdateInstallationStatusStep(InstallerContext* context);
  ~UpdateInstallationStatusStep() override;

  StepResult& Execute(StepResult& result, int32_t attempt) override;
};

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_STEPS_UPDATE_INSTALLATION_STATUS_STEP_H_
