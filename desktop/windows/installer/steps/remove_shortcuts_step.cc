// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/steps/remove_shortcuts_step.h"

#include <memory>
#include <utility>

#include "base/logging.h"
#include "desktop/windows/installer/flow/installer_context.h"
#include "desktop/windows/installer/installation_folder_details.h"
#include "desktop/windows/installer/status/installation_status.h"
#include "desktop/windows/installer/steps/shortcuts.h"
#include "desktop/windows/installer/transactions/operation.h"
#include "desktop/windows/installer/transactions/operation_factory.h"
#include "desktop/windows/installer/transactions/transaction.h"
#include "desktop/windows/installer/utils/taskband_utils.h"

namespace velta {

RemoveShortcutsStep::RemoveShortcutsStep(InstallerContext* context,
                                         std::unique_ptr<TaskbandUtils> taskband_utils)
    : ShortcutStep(context, "remove_shortcuts", std::move(taskband_utils)) {}

RemoveShortcutsStep::~RemoveShortcutsStep() = default;

StepResult& RemoveShortcutsStep::Execute(StepResult& result, int32_t /*attempt*/) {
  result = StepResult(StepResult::kSuccess);
  LOG(INFO) << "Removing shortctus.";
  const InstallationFolderDetails* details = GetFolderDetails();
  if (!details->GetPinnedShortcutPaths().empty()) {
    LOG(INFO) << "Unpinning shortcuts";
    UnpinAndDeleteShortcuts(this, details->GetPinnedShortcutPaths());
  }
  if (!details->GetPinnedAppIdPaths().empty()) {
    LOG(INFO) << "Unpinning extra shortcuts";
    UnpinAndDeleteShortcuts(this, details->GetPinnedAppIdPaths());
  }
  auto remove = [this](const base::FilePath& path) {
    if (path.empty())
      return;
    std::unique_ptr<Operation> removal = GetContext()->GetOperationFactory()->CreateDeleteFile(
        path, ProgramInUse::kDelete, EmptyParents::kKeep);
    GetContext()->GetTransaction()->Execute(removal, nullptr);
  };
  const InstallationStatus* existing = GetExistingInstallation();
  if (existing && details->IsDesktopShortcutExists()) {
    LOG(INFO) << "Removing desktop shortcut.";
    remove(existing->desktop_shortcut);
  }
  if (existing && details->IsStartMenuShortcutExists()) {
    LOG(INFO) << "Removing start menu shortcut.";
    remove(existing->menu_shortcut);
  }
  if (existing && details->IsQuickLaunchShortcutExists()) {
    LOG(INFO) << "Removing quick launch shortcut.";
    remove(existing->quick_launch_shortcut);
  }
  if (details->IsTemporaryShortcutFolderExists()) {
    LOG(INFO) << "Removing temporary shortcut folder.";
    remove(details->GetTemporaryShortcutFolder());
  }
  return result;
}

}  // namespace velta
