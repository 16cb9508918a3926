// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/steps/install_shortcuts_step.h"

#include <utility>

#include "base/logging.h"
#include "desktop/windows/installer/common/product/installer_constants.h"
#include "desktop/windows/installer/installation_folder_details.h"
#include "desktop/windows/installer/settings.h"
#include "desktop/windows/installer/steps/shortcuts.h"
#include "desktop/windows/installer/utils/taskband_utils.h"

namespace velta {

InstallShortcutsStep::InstallShortcutsStep(InstallerContext* context,
                                           std::unique_ptr<TaskbandUtils> taskband_utils)
    : ShortcutStep(context, "install_shortcuts", std::move(taskband_utils)) {}

InstallShortcutsStep::~InstallShortcutsStep() = default;

StepResult& InstallShortcutsStep::Execute(StepResult& result, int32_t /*attempt*/) {
  result = StepResult(StepResult::kSuccess);
  Settings* settings = GetSettings();
  if (settings->IsCopyOnly())
    return result;
  LOG(INFO) << "Installing shortcuts";
  const base::FilePath target = GetFolderDetails()->GetPath().Append(kLauncherFileName);
  ShortcutLocation locations[3];
  MakeLocations(locations);
  const bool all_users = settings->IsAllUsers();
  if (settings->IsDesktopShortcut()) {
    VLOG(2) << (all_users ? "Preparing  to set up shortcut on common desktop"
                          : "Preparing  to set up shortcut on user desktop");
    locations[0].action = ShortcutLocation::kCreate;
  }
  if (settings->IsStartMenuShortcut()) {
    VLOG(2) << (all_users ? "Preparing  to set up shortcut in common start menu"
                          : "Preparing  to set up shortcut in user start menu");
    locations[1].action = ShortcutLocation::kCreate;
  }
  if (settings->IsQuickLaunchShortcut()) {
    VLOG(2) << "Preparing  to set up shortcut in user quick launch";
    locations[2].action = ShortcutLocation::kCreate;
  }
  CreateShortcuts(this, locations, settings->IsPinnedShortcut(), target);
  return result;
}

}  // namespace velta
