// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_STEPS_UPDATE_SHORTCUTS_STEP_H_
#define DESKTOP_WINDOWS_INSTALLER_STEPS_UPDATE_SHORTCUTS_STEP_H_

#include <memory>

#include "desktop/windows/installer/steps/shortcut_step.h"

namespace velta {

// An upgrade's shortcuts: keeps, moves (when the shortcut name changed),
// recreates, deletes or adds each kind as the options and the folder
// details say, and pins, re-pins or unpins. Nothing for a copy-only
// installation, and no pin change in an all-users autoupdate.
class UpdateShortcutsStep : public ShortcutStep {
 public:
  UpdateShortcutsStep(InstallerContext* context, std::unique_ptr<TaskbandUtils> taskband_utils);
  ~UpdateShortcutsStep() override;

  StepResult& Execute(StepResult& result, int32_t attempt) override;
};

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_STEPS_UPDATE_SHORTCUTS_STEP_H_
