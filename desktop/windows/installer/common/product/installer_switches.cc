// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/common/product/installer_switches.h"

#include "base/command_line.h"

namespace velta {

InstallerMode GetInstallerModeFromSwitches(const base::CommandLine& command_line) {
  if (command_line.HasSwitch(kFixDownloadableResourcesSwitch))
    return InstallerMode::kFixDownloadableResources;
  if (command_line.HasSwitch(kRegisterProtocolHandlerSwitch))
    return InstallerMode::kRegisterProtocolHandler;
  if (command_line.HasSwitch(kUninstallSwitch))
    return InstallerMode::kUninstall;
  return InstallerMode::kInstall;
}

}  // namespace velta
