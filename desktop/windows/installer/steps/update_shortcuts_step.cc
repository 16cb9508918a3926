// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/steps/update_shortcuts_step.h"

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "base/logging.h"
#include "desktop/windows/installer/common/product/installer_constants.h"
#include "desktop/windows/installer/flow/installer_context.h"
#include "desktop/windows/installer/installation_folder_details.h"
#include "desktop/windows/installer/interprocess_state.h"
#include "desktop/windows/installer/settings.h"
#include "desktop/windows/installer/status/installation_status.h"
#include "desktop/windows/installer/steps/shortcuts.h"
#include "desktop/windows/installer/transactions/operation.h"
#include "desktop/windows/installer/transactions/operation_factory.h"
#include "desktop/windows/installer/transactions/transaction.h"
#include "desktop/windows/installer/utils/taskband_utils.h"

namespace velta {

UpdateShortcutsStep::UpdateShortcutsStep(InstallerContext* context,
                                         std::unique_ptr<TaskbandUtils> taskband_utils)
    : ShortcutStep(context, "update_shortcuts", std::move(taskband_utils)) {}

UpdateShortcutsStep::~UpdateShortcutsStep() = default;

StepResult& UpdateShortcutsStep::Execute(StepResult& result, int32_t /*attempt*/) {
  result = StepResult(StepResult::kSuccess);
  Settings* settings = GetSettings();
  if (settings->IsCopyOnly())
    return result;
  LOG(INFO) << "Updating shortcuts";
  const InstallationFolderDetails* details = GetFolderDetails();
  const InstallationStatus* existing = GetExistingInstallation();
  const base::FilePath recorded[3] = {
      existing ? existing->desktop_shortcut : base::FilePath(),
      existing ? existing->menu_shortcut : base::FilePath(),
      existing ? existing->quick_launch_shortcut : base::FilePath()};
  const std::wstring name = GetShortcutName();
  bool renaming = false;
  for (const base::FilePath& path : recorded)
    renaming |= !path.empty() && path.BaseName().value() != name;
  if (renaming)
    LOG(INFO) << "Shortcuts need to be renamed";

  ShortcutLocation locations[3];
  MakeLocations(locations);
  // A kind the details found but whose path the record lacks cannot be
  // touched: it counts as not found.
  const bool had[3] = {details->IsDesktopShortcutExists() && !recorded[0].empty(),
                       details->IsStartMenuShortcutExists() && !recorded[1].empty(),
                       details->IsQuickLaunchShortcutExists() && !recorded[2].empty()};
  const bool want[3] = {settings->IsDesktopShortcut(), settings->IsStartMenuShortcut(),
                        settings->IsQuickLaunchShortcut()};
  const bool stale[3] = {details->ShouldRecreateDesktopShortcut(),
                         details->ShouldRecreateStartMenuShortcut(),
                         details->ShouldRecreateQuickLaunchShortcut()};
  const char* const kHandling[3] = {"Handling desktop shortcut:", "Handling start menu shortcut:",
                                    "Handling quick launch shortcut:"};
  OperationFactory* factory = GetContext()->GetOperationFactory();
  Transaction* transaction = GetContext()->GetTransaction();
  auto remove = [&](const base::FilePath& path) {
    std::unique_ptr<Operation> removal =
        factory->CreateDeleteFile(path, ProgramInUse::kDelete, EmptyParents::kKeep);
    transaction->Execute(removal, nullptr);
  };
  for (int i = 0; i < 3; ++i) {
    LOG(INFO) << kHandling[i];
    ShortcutLocation& location = locations[i];
    if (had[i] && !want[i]) {
      LOG(INFO) << "Removing shortcut";
      remove(recorded[i]);
      location.action = ShortcutLocation::kNothing;
    } else if (had[i] && want[i] && !stale[i] && !renaming) {
      *location.recorded_path = recorded[i];
      location.action = ShortcutLocation::kKeep;
    } else if (had[i] && want[i] && !stale[i]) {
      LOG(INFO) << "Moving shortcut";
      const base::FilePath moved = location.folder.Append(name);
      std::unique_ptr<Operation> move = factory->CreateMoveFile(recorded[i], moved);
      *location.recorded_path = transaction->Execute(move, nullptr) ? moved : recorded[i];
      location.action = ShortcutLocation::kKeep;
    } else if (had[i] && want[i]) {
      LOG(INFO) << "Recreating shortcut";
      remove(recorded[i]);
      location.action = ShortcutLocation::kCreate;
    } else if (want[i]) {
      LOG(INFO) << "Preparing to add shortcut";
      location.action = ShortcutLocation::kCreate;
    }
  }

  LOG(INFO) << "Handling pinned shortcut:";
  bool pin = false;
  if (!(IsAutoupdateRun() && settings->IsAllUsers())) {
    const std::vector<base::FilePath>& pinned = details->GetPinnedShortcutPaths();
    if (pinned.empty()) {
      pin = settings->IsPinnedShortcut();
    } else if (settings->IsPinnedShortcut()) {
      if (renaming || details->ShouldRecreatePinnedShortcut()) {
        LOG(INFO) << "Unpinning existing shortcuts (with repin)";
        UnpinAndDeleteShortcuts(this, pinned);
        pin = true;
      }
    } else {
      LOG(INFO) << "Unpinning existing shortcuts";
      UnpinAndDeleteShortcuts(this, pinned);
    }
  }
  CreateShortcuts(this, locations, pin, details->GetPath().Append(kLauncherFileName));
  return result;
}

}  // namespace velta
