// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_STEPS_INSTALL_SHORTCUTS_STEP_H_
#define DESKTOP_WINDOWS_INSTALLER_STEPS_INSTALL_SHORTCUTS_STEP_H_

#include <memory>

#include "desktop/windows/installer/steps/shortcut_step.h"

namespace velta {

// A new installation's shortcuts: the desktop, Start menu and quick launch
// ones the options ask for (the common folders for all users), and the pin.
// Nothing for a copy-only installation.
class InstallShortcutsStep : public ShortcutStep {
 public:
  InstallShortcutsStep(InstallerContext* context, std::unique_ptr<TaskbandUtils> taskband_utils);
  ~InstallShortcutsStep() override;

  StepResult& Execute(StepResult& result, int32_t attempt) override;
};

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_STEPS_INSTALL_SHORTCUTS_STEP_H_
