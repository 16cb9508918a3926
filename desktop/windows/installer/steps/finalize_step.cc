// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/steps/finalize_step.h"

#include <memory>
#include <string>
#include <utility>

#include "base/bind.h"
#include "base/command_line.h"
#include "base/files/file_util.h"
#include "base/logging.h"
#include "base/prefs/json_pref_store.h"
#include "base/strings/utf_string_conversions.h"
#include "base/values.h"
#include "desktop/windows/installer/common/json_pref_store_factory.h"
#include "desktop/windows/installer/common/product/installer_constants.h"
#include "desktop/windows/installer/common/utils.h"
#include "desktop/windows/installer/common/win/security_utils.h"
#include "desktop/windows/installer/flow/installer_context.h"
#include "desktop/windows/installer/installation_folder_details.h"
#include "desktop/windows/installer/service/firewall_manager.h"
#include "desktop/windows/installer/service/task_scheduler.h"
#include "desktop/windows/installer/settings.h"
#include "desktop/windows/installer/status/installation_status.h"
#include "desktop/windows/installer/steps/configure_firewall.h"
#include "desktop/windows/installer/steps/write_installer_prefs_step.h"
#include "desktop/windows/l10n_handler/l10n_handler.h"
#include "host/resource_ids.h"

namespace velta {

namespace {
constexpr char kTaskErrorCountPref[] = "au_task_error_count";
constexpr uint32_t kTaskMaxRunSeconds = 3600;
}  // namespace

FinalizeServices::FinalizeServices() = default;
FinalizeServices::FinalizeServices(FinalizeServices&&) = default;
FinalizeServices& FinalizeServices::operator=(FinalizeServices&&) = default;
FinalizeServices::~FinalizeServices() = default;

FinalizeServices CreateFinalizeServices() {
  FinalizeServices services;
  services.make_task_scheduler = base::BindRepeating(&CreateTaskScheduler);
  services.make_firewall_manager = base::BindRepeating([](const base::FilePath& path) {
    return FirewallManager::Create(FirewallAppNameProvider::GetInstance(), path);
  });
  services.is_administrator =
      base::BindRepeating([] { return SecurityUtils::GetInstance()->IsUserInAdminGroup(false); });
  return services;
}

FinalizeStep::FinalizeStep(InstallerContext* context, FinalizeServices services)
    : InstallerStep(context, "finalize"), services_(std::move(services)) {}

FinalizeStep::~FinalizeStep() = default;

StepResult& FinalizeStep::Execute(StepResult& result, int32_t /*attempt*/) {
  LOG(INFO) << "Finalizing the installation";
  Settings* settings = GetSettings();
  if (!settings->IsCopyOnly() &&
      (settings->IsAllUsers() || !GetContext()->HasPendingPermissionUndo())) {
    CreateAutoupdateTask();
  }
  base::FilePath target_folder;
  GetInstallTargetFolder(&target_folder);
  if (services_.is_administrator.Run()) {
    ConfigureFirewallWith(services_.make_firewall_manager.Run(
                              target_folder.AppendASCII(GetBrowserExeName())),
                          false);
  }
  if (!base::WriteFile(target_folder.Append(kInstallDoneMarkerFileName), std::string_view())) {
    LOG(ERROR) << "Cannot write the done marker into " << target_folder.AsUTF8Unsafe();
    result = StepResult(StepResult::kFailure);
    result.subcode = 1;
    return result;
  }
  result = StepResult(StepResult::kSuccess);
  return result;
}

void FinalizeStep::CreateAutoupdateTask() {
  LOG(INFO) << "Creating scheduled task";
  std::unique_ptr<TaskScheduler> scheduler = services_.make_task_scheduler.Run();
  if (!scheduler || !scheduler->Init()) {
    LOG(ERROR) << "Could not initialize task scheduler";
    return;
  }
  scheduler->DeleteStaleTasks();
  const base::FilePath install_folder = GetFolderDetails()->GetPath();
  base::CommandLine command_line(install_folder.Append(kLauncherFileName));
  command_line.AppendSwitch("scheduledautoupdate");
  command_line.AppendArgNative(L"$(Arg0)");
  ScheduledTaskInfo info(command_line);
  info.name = L"Autoupdate " + GetNewInstallationStatus()->app_id;
  info.description = GetL10nString(IDS_AUTOUPDATE_TASK_DESCRIPTION);
  info.run_as_system = GetSettings()->IsAllUsers() ? 1 : 0;
  info.max_run_seconds = kTaskMaxRunSeconds;
  info.schedule = ScheduleKind::kDaily;
  info.at_logon = true;
  info.network_required = true;
  if (!scheduler->CreateTask(info)) {
    LOG(ERROR) << "Could not create scheduled task";
    return;
  }
  scoped_refptr<base::JsonPrefStore> prefs = CreateJsonPrefStore(
      GetPrefStoreTaskRunnerMap(), install_folder.Append(kInstallerPrefsFileName));
  const base::Value* count = nullptr;
  if (prefs->GetValue(kTaskErrorCountPref, &count) && count->is_int() && count->GetInt() > 0) {
    const int lowered = count->GetInt() - 1;
    prefs->SetValue(kTaskErrorCountPref, std::make_unique<base::Value>(lowered), 0);
    LOG(INFO) << "Setting autoupdate task error counter to : " << lowered;
    CommitPrefsAndWait(prefs.get(), WriteInstallerPrefsStep::kWriteTimeout);
  }
}

}  // namespace velta
