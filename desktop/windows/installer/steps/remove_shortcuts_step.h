// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_STEPS_REMOVE_SHORTCUTS_STEP_H_
#define DESKTOP_WINDOWS_INSTALLER_STEPS_REMOVE_SHORTCUTS_STEP_H_

#include <memory>

#include "desktop/windows/installer/steps/shortcut_step.h"

namespace velta {

// The uninstall's shortcuts: unpins and deletes the pins and the extra
// pins, deletes the desktop, Start menu and quick launch shortcuts the
// folder details found, and the temporary shortcut folder.
class RemoveShortcutsStep : public ShortcutStep {
 public:
  RemoveShortcutsStep(InstallerContext* context, std::unique_ptr<TaskbandUtils> taskband_utils);
  ~RemoveShortcutsStep() override;

  StepResult& Execute(StepResult& result, int32_t attempt) override;
};

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_STEPS_REMOVE_SHORTCUTS_STEP_H_
