// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_STEPS_INSTALL_HELPER_STEP_H_
#define DESKTOP_WINDOWS_INSTALLER_STEPS_INSTALL_HELPER_STEP_H_

#include "desktop/windows/installer/steps/installer_step.h"

namespace velta {

// Puts the pinning helper of the system's architecture
// ("installer_helper_64.exe" on 64-bit Windows, else "installer_helper.exe")
// into the install target folder and records it in the new status. When the
// package was unpacked there, the helper must already be present (else the
// job fails at once) and the other architecture's helper is deleted;
// otherwise it is copied from the package folder.
class InstallHelperStep : public InstallerStep {
 public:
  explicit InstallHelperStep(InstallerContext* context);
  ~InstallHelperStep() override;

  StepResult& Execute(StepResult& result, int32_t attempt) override;
};

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_STEPS_INSTALL_HELPER_STEP_H_
