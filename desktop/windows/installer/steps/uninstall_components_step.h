// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_STEPS_UNINSTALL_COMPONENTS_STEP_H_
#define DESKTOP_WINDOWS_INSTALLER_STEPS_UNINSTALL_COMPONENTS_STEP_H_

#include "desktop/windows/installer/steps/installer_step.h"

namespace velta {

// Starts the uninstaller of every component the installation recorded
// ("<name>_installer.exe --uninstall" in the component's folder, the
// assistant's for "suite"), without waiting. Components whose recorded name
// could lead elsewhere are skipped. Never fails.
class UninstallComponentsStep : public InstallerStep {
 public:
  explicit UninstallComponentsStep(InstallerContext* context);
  ~UninstallComponentsStep() override;

  StepResult& Execute(StepResult& result, int32_t attempt) override;
};

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_STEPS_UNINSTALL_COMPONENTS_STEP_H_
