// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_STEPS_UNINSTALL_CLEANUP_STEP_H_
#define DESKTOP_WINDOWS_INSTALLER_STEPS_UNINSTALL_CLEANUP_STEP_H_

#include "desktop/windows/installer/steps/installer_step.h"

namespace velta {

// Removes the autoupdate task and the installation's files through the
// run's transaction; what is in use is left to k.bat, which is written into
// the install folder and started (unless the folder access is only lent:
// the folder-permission helper starts it then). With DELETE_PROFILE the
// user's own browser profile goes too. Never fails.
class UninstallCleanupStep : public InstallerStep {
 public:
  explicit UninstallCleanupStep(InstallerContext* context);
  ~UninstallCleanupStep() override;

  StepResult& Execute(StepResult& result, int32_t attempt) override;
};

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_STEPS_UNINSTALL_CLEANUP_STEP_H_
