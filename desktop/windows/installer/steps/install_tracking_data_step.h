// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_STEPS_INSTALL_TRACKING_DATA_STEP_H_
#define DESKTOP_WINDOWS_INSTALLER_STEPS_INSTALL_TRACKING_DATA_STEP_H_

#include "desktop/windows/installer/steps/installer_step.h"

namespace velta {

// Leaves the process's serialised tracking data as "server_tracking_data" in
// the install folder (nothing when there is none), through the run's
// transaction. Never fails: a write that fails is logged.
class InstallTrackingDataStep : public InstallerStep {
 public:
  explicit InstallTrackingDataStep(InstallerContext* context);
  ~InstallTrackingDataStep() override;

  StepResult& Execute(StepResult& result, int32_t attempt) override;
};

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_STEPS_INSTALL_TRACKING_DATA_STEP_H_
