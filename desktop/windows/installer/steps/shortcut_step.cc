// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/steps/shortcut_step.h"

#include <utility>

#include "base/base_paths.h"
#include "base/path_service.h"
#include "desktop/windows/installer/settings.h"
#include "desktop/windows/installer/status/installation_status.h"
#include "desktop/windows/installer/utils/taskband_utils.h"

namespace velta {

ShortcutStep::ShortcutStep(InstallerContext* context,
                           std::string name,
                           std::unique_ptr<TaskbandUtils> taskband_utils)
    : InstallerStep(context, std::move(name)), taskband_utils_(std::move(taskband_utils)) {}

ShortcutStep::~ShortcutStep() = default;

void ShortcutStep::MakeLocations(ShortcutLocation locations[3]) {
  const bool all_users = GetSettings()->IsAllUsers();
  const int keys[3] = {
      all_users ? static_cast<int>(base::DIR_COMMON_DESKTOP) : base::DIR_USER_DESKTOP,
      all_users ? static_cast<int>(base::DIR_COMMON_START_MENU) : base::DIR_START_MENU,
      base::DIR_USER_QUICK_LAUNCH};
  InstallationStatus* status = GetNewInstallationStatus();
  base::FilePath* fields[3] = {&status->desktop_shortcut, &status->menu_shortcut,
                               &status->quick_launch_shortcut};
  for (int i = 0; i < 3; ++i) {
    base::PathService::Get(keys[i], &locations[i].folder);
    locations[i].recorded_path = fields[i];
    locations[i].action = ShortcutLocation::kNothing;
  }
}

}  // namespace velta
