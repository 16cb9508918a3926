// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_STEPS_INSTALL_COMPONENTS_STEP_H_
#define DESKTOP_WINDOWS_INSTALLER_STEPS_INSTALL_COMPONENTS_STEP_H_

#include <string>

#include "base/files/file_path.h"
#include "desktop/windows/installer/steps/installer_step.h"

namespace velta {

// Runs the component installers named by the switch `components`
// ("name:subfolder|..."), each "<name>_installer.exe" in that subfolder
// beside the package folder, with `installfolder` (the install folder joined
// with the name), `copyonly` and `allusers`, and records each component
// whose installer exited with 0 in the new status. A signed installer
// library only runs signed component installers. On an upgrade the
// existing installation's components are carried over first. Never fails:
// a missing, refused or failing component is logged and skipped.
class InstallComponentsStep : public InstallerStep {
 public:
  explicit InstallComponentsStep(InstallerContext* context);
  ~InstallComponentsStep() override;

  StepResult& Execute(StepResult& result, int32_t attempt) override;
};

// Whether `name` may name a component: not empty, not "." or "..", and
// without a path separator, drive colon or wildcard. The name becomes a
// folder of the installation and part of a program's path, so a name taken
// from the command line must not lead elsewhere.
bool IsSafeComponentName(const std::string& name);

// The installer of component `name` in `folder`: "<name>_installer.exe",
// or, for "suite" when that file is missing, "assistant_installer.exe".
base::FilePath GetComponentInstallerPath(const base::FilePath& folder, const std::string& name);

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_STEPS_INSTALL_COMPONENTS_STEP_H_
