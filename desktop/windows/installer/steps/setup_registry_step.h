// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_STEPS_SETUP_REGISTRY_STEP_H_
#define DESKTOP_WINDOWS_INSTALLER_STEPS_SETUP_REGISTRY_STEP_H_

#include <string>

#include "desktop/windows/installer/steps/installer_step.h"

namespace velta {

// Writes the installation's registry entries from the built-in templates,
// under HKLM for an all-users installation and HKCU otherwise, recording
// each value written in the new status. First chooses the uninstall key's
// name: "<uninstall path>\<brand> <version>", with "1", "2", ... appended
// while a key of that name exists (or cannot be opened) in the 32-bit view;
// the name goes into the installer's scheduler text, from which the
// placeholder "{Uninstall}" is expanded. Only the uninstall entry is
// essential: its failure, or finding no free name among
// kMaxUninstallKeyCandidates, fails the job at once (code 1). A copy-only
// installation writes nothing.
class SetupRegistryStep : public InstallerStep {
 public:
  // How many names the search tries before it gives up: without a bound a
  // registry that refuses every open (access denied) would keep it going
  // for ever.
  static constexpr int kMaxUninstallKeyCandidates = 1000;

  // `scheduler_text` is the installer's and must outlive the step.
  SetupRegistryStep(InstallerContext* context, std::wstring* scheduler_text);
  ~SetupRegistryStep() override;

  StepResult& Execute(StepResult& result, int32_t attempt) override;

 private:
  std::wstring* const scheduler_text_;
};

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_STEPS_SETUP_REGISTRY_STEP_H_
