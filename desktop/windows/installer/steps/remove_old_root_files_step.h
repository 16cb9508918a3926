// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_STEPS_REMOVE_OLD_ROOT_FILES_STEP_H_
#define DESKTOP_WINDOWS_INSTALLER_STEPS_REMOVE_OLD_ROOT_FILES_STEP_H_

#include "desktop/windows/installer/steps/installer_step.h"

namespace velta {

// Deletes the earlier installation's root files from the install folder
// through the run's transaction (empty folders go with them). Entries that
// lead out of the folder are skipped. Never fails.
class RemoveOldRootFilesStep : public InstallerStep {
 public:
  explicit RemoveOldRootFilesStep(InstallerContext* context);
  ~RemoveOldRootFilesStep() override;

  StepResult& Execute(StepResult& result, int32_t attempt) override;
};

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_STEPS_REMOVE_OLD_ROOT_FILES_STEP_H_
