// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_STEPS_REMOVE_MINIMAL_INSTALL_FILE_STEP_H_
#define DESKTOP_WINDOWS_INSTALLER_STEPS_REMOVE_MINIMAL_INSTALL_FILE_STEP_H_

#include "desktop/windows/installer/steps/installer_step.h"

namespace velta {

// Deletes the "minimal_install" marker of the install target folder once
// every downloadable resource of the manifest is there; keeps it while one
// is missing. Never fails.
class RemoveMinimalInstallFileStep : public InstallerStep {
 public:
  explicit RemoveMinimalInstallFileStep(InstallerContext* context);
  ~RemoveMinimalInstallFileStep() override;

  StepResult& Execute(StepResult& result, int32_t attempt) override;
};

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_STEPS_REMOVE_MINIMAL_INSTALL_FILE_STEP_H_
