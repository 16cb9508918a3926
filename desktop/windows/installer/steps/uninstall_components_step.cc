// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/steps/uninstall_components_step.h"

#include "base/command_line.h"
#include "base/logging.h"
#include "base/process/launch.h"
#include "base/process/process.h"
#include "desktop/windows/installer/common/product/installer_switches.h"
#include "desktop/windows/installer/installation_folder_details.h"
#include "desktop/windows/installer/settings.h"
#include "desktop/windows/installer/status/installation_status.h"
#include "desktop/windows/installer/steps/install_components_step.h"

namespace velta {

UninstallComponentsStep::UninstallComponentsStep(InstallerContext* context)
    : InstallerStep(context, "uninstall_components") {}

UninstallComponentsStep::~UninstallComponentsStep() = default;

StepResult& UninstallComponentsStep::Execute(StepResult& result, int32_t /*attempt*/) {
  result = StepResult(StepResult::kSuccess);
  const InstallationStatus* existing = GetFolderDetails()->GetExistingInstallation();
  if (!existing)
    return result;
  Settings* settings = GetSettings();
  for (const InstallationComponent& component : existing->components) {
    if (!IsSafeComponentName(component.name)) {
      LOG(ERROR) << "Skipping the recorded component " << component.name;
      continue;
    }
    base::CommandLine command_line(GetComponentInstallerPath(component.path, component.name));
    command_line.AppendSwitch(kUninstallSwitch);
    command_line.AppendSwitchASCII(kCopyOnlySwitch, settings->IsCopyOnly() ? "1" : "0");
    command_line.AppendSwitchASCII(kAllUsersSwitch, settings->IsAllUsers() ? "1" : "0");
    base::Process process = base::LaunchProcess(command_line, base::LaunchOptions());
    if (!process.IsValid())
      LOG(ERROR) << "Cannot start the uninstaller of component " << component.name;
  }
  return result;
}

}  // namespace velta
