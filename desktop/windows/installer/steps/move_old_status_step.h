// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_STEPS_MOVE_OLD_STATUS_STEP_H_
#define DESKTOP_WINDOWS_INSTALLER_STEPS_MOVE_OLD_STATUS_STEP_H_

#include "desktop/windows/installer/steps/installer_step.h"

namespace velta {

// On an upgrade, moves the previous status file (installation_status.json,
// else installation_status.xml) into the install folder's old_status folder
// under its name with the current Unix time appended ("<name>.<seconds>"), for
// the clean-up of the old installation's files. Never fails.
class MoveOldStatusStep : public InstallerStep {
 public:
  explicit MoveOldStatusStep(InstallerContext* context);
  ~MoveOldStatusStep() override;

  StepResult& Execute(StepResult& result, int32_t attempt) override;
};

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_STEPS_MOVE_OLD_STATUS_STEP_H_
