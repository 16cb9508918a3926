// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/steps/installer_step_scheduler_impl.h"

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "base/bind.h"
#include "base/files/file_path.h"
#include "base/files/file_util.h"
#include "base/location.h"
#include "base/logging.h"
#include "desktop/windows/installer/common/installer_error.h"
#include "desktop/windows/installer/common/installer_utils.h"
#include "desktop/windows/installer/common/product/installer_constants.h"
#include "desktop/windows/installer/common/relative_paths.h"
#include "desktop/windows/installer/common/utils.h"
#include "desktop/windows/installer/flow/installer_context.h"
#include "desktop/windows/installer/interprocess_state.h"
#include "desktop/windows/installer/protocol_handler_setup.h"
#include "desktop/windows/installer/settings.h"
#include "desktop/windows/installer/steps/clean_registry_step.h"
#include "desktop/windows/installer/steps/delete_file_step.h"
#include "desktop/windows/installer/steps/finalize_step.h"
#include "desktop/windows/installer/steps/install_components_step.h"
#include "desktop/windows/installer/steps/install_helper_step.h"
#include "desktop/windows/installer/steps/install_shortcuts_step.h"
#include "desktop/windows/installer/steps/install_tracking_data_step.h"
#include "desktop/windows/installer/steps/installer_step.h"
#include "desktop/windows/installer/steps/launcher_copy_step.h"
#include "desktop/windows/installer/steps/move_file_step.h"
#include "desktop/windows/installer/steps/move_old_status_step.h"
#include "desktop/windows/installer/steps/pref_overrides_copy_step.h"
#include "desktop/windows/installer/steps/register_protocol_handlers_step.h"
#include "desktop/windows/installer/steps/remove_minimal_install_file_step.h"
#include "desktop/windows/installer/steps/remove_old_files_step.h"
#include "desktop/windows/installer/steps/remove_old_root_files_step.h"
#include "desktop/windows/installer/steps/remove_shortcuts_step.h"
#include "desktop/windows/installer/steps/root_copy_step.h"
#include "desktop/windows/installer/steps/setup_file_and_protocol_handlers_step.h"
#include "desktop/windows/installer/steps/setup_registry_step.h"
#include "desktop/windows/installer/steps/standard_copy_step.h"
#include "desktop/windows/installer/steps/uninstall_cleanup_step.h"
#include "desktop/windows/installer/steps/uninstall_components_step.h"
#include "desktop/windows/installer/steps/uninstall_finalize_step.h"
#include "desktop/windows/installer/steps/update_installation_status_step.h"
#include "desktop/windows/installer/steps/update_shortcuts_step.h"
#include "desktop/windows/installer/steps/verify_downloadable_resources_step.h"
#include "desktop/windows/installer/steps/verify_package_contents_step.h"
#include "desktop/windows/installer/steps/write_installation_status_step.h"
#include "desktop/windows/installer/steps/write_installer_prefs_step.h"
#include "desktop/windows/installer/utils/taskband_utils_impl.h"

namespace velta {

namespace {

// The detail each job's scheduling failure ends with, by job kind (the
// uninstall and protocol-handler jobs cannot fail).
constexpr const char* kScheduleFailure[] = {
    "", "Cannot schedule install steps", "Cannot schedule upgrade steps", "", "",
    "Cannot schedule fix resources steps",
};

// The steps of one job, in order.
struct JobSteps {
  std::vector<std::unique_ptr<InstallerStep>> steps;

  template <typename Step, typename... Args>
  void Add(Args&&... args) {
    steps.push_back(std::make_unique<Step>(std::forward<Args>(args)...));
  }
};

// The three files lists of an install or upgrade.
struct FilesLists {
  std::vector<std::string> files;
  std::vector<std::string> root_files;
  std::vector<std::string> extra_files;
};

// Reads the list at `path` into `list`; on failure adds `what` to the
// installer error with the list's path. Entries that lead out of their
// folder fail the list as a whole.
bool ReadList(const base::FilePath& path, const char* what, std::vector<std::string>* list) {
  if (!ReadFilesList(path, list))
    return AppendInstallerError(what, 0, path.value());
  for (const std::string& entry : *list) {
    if (!IsRelativePathInside(base::FilePath::FromUTF8Unsafe(entry))) {
      LOG(ERROR) << "Files list " << path.AsUTF8Unsafe() << " names " << entry
                 << ", which is outside its folder";
      SetInstallerError(1, std::string(what) + " names a file outside its folder: " + entry,
                        path.value());
      return false;
    }
  }
  return true;
}

// The folder the standard and root lists are read from: the install target
// folder when a package folder was given (the package was unpacked there),
// else the package folder.
base::FilePath ListFolder(InstallerContext* context) {
  base::FilePath folder;
  if (context->HasPackageDir())
    context->GetInstallTargetFolder(&folder);
  else
    context->GetPackageDir(&folder);
  return folder;
}

// Reads the three lists of an install or upgrade; on failure the installer
// error says which list and why.
bool ReadFilesLists(InstallerContext* context, FilesLists* lists) {
  const base::FilePath folder = ListFolder(context);
  if (!ReadList(folder.Append(kFilesListFileName), "Normal files list", &lists->files) ||
      (lists->files.empty() &&
       !SetInstallerError(1, "No files in normal files list", std::wstring()))) {
    return AppendInstallerError("Cannot read standard files list", 0, std::wstring());
  }
  if (!ReadList(folder.Append(kRootFilesListFileName), "Root files list", &lists->root_files))
    return AppendInstallerError("Cannot read root files list", 0, std::wstring());
  if (!InterprocessState::GetInstance()->IsInsidePackage() && context->HasPackageDir()) {
    base::FilePath package_dir;
    context->GetPackageDir(&package_dir);
    const base::FilePath extra = package_dir.Append(kFilesListFileName);
    if (base::PathExists(extra) && !ReadList(extra, "Extra files list", &lists->extra_files))
      return AppendInstallerError("Cannot read extra files list", 0, std::wstring());
  }
  return true;
}

void AddCopyGroup(InstallerContext* context, const FilesLists& lists, JobSteps* job) {
  const std::vector<std::string>& list =
      context->IsRunningFromTargetFolder() ? lists.extra_files : lists.files;
  for (const std::string& entry : list)
    job->Add<StandardCopyStep>(context, base::FilePath::FromUTF8Unsafe(entry));
}

void AddListCleanUp(InstallerContext* context, JobSteps* job) {
  base::FilePath target;
  context->GetInstallTargetFolder(&target);
  job->Add<DeleteFileStep>(context, target.Append(kFilesListFileName));
  job->Add<DeleteFileStep>(context, target.Append(kRootFilesListFileName));
}

void AddRootGroup(InstallerContext* context, const FilesLists& lists, JobSteps* job) {
  for (const std::string& entry : lists.root_files) {
    const base::FilePath relative = base::FilePath::FromUTF8Unsafe(entry);
    if (context->IsRunningFromTargetFolder())
      job->Add<MoveFileStep>(context, relative);
    else
      job->Add<RootCopyStep>(context, relative);
  }
}

void AddVerification(InstallerContext* context, const FilesLists& lists, JobSteps* job) {
  job->Add<VerifyDownloadableResourcesStep>(context);
  job->Add<VerifyPackageContentsStep>(context, lists.files, lists.root_files, lists.extra_files);
}

// The steps from the launcher copy to the install helper, shared by install
// and upgrade.
void AddLauncherToHelper(InstallerContext* context, JobSteps* job) {
  job->Add<LauncherCopyStep>(context);
  job->Add<InstallTrackingDataStep>(context);
  job->Add<PrefOverridesCopyStep>(context);
  job->Add<InstallHelperStep>(context);
}

// The closing steps of install and upgrade, after the shortcuts.
void AddClosing(InstallerContext* context, bool is_upgrade, JobSteps* job) {
  job->Add<WriteInstallerPrefsStep>(context);
  if (is_upgrade)
    job->Add<MoveOldStatusStep>(context);
  job->Add<InstallComponentsStep>(context);
  job->Add<WriteInstallationStatusStep>(context);
  job->Add<SetupFileAndProtocolHandlersStep>(context, CreateProtocolHandlerSetup());
  job->Add<FinalizeStep>(context, CreateFinalizeServices());
}

// The architecture of the installed launcher.exe, for clean_registry.
ExecutableArchitecture LauncherArchitecture(InstallerContext* context) {
  base::FilePath install_path;
  context->GetInstallPath(&install_path);
  return GetExecutableArchitecture(install_path.Append(kLauncherFileName));
}

bool BuildInstallSteps(InstallerContext* context, std::wstring* scheduler_text, JobSteps* job) {
  FilesLists lists;
  if (!ReadFilesLists(context, &lists))
    return AppendInstallerError(kScheduleFailure[1], 0, std::wstring());
  AddVerification(context, lists, job);
  AddCopyGroup(context, lists, job);
  if (context->IsRunningFromTargetFolder())
    AddListCleanUp(context, job);
  AddRootGroup(context, lists, job);
  AddLauncherToHelper(context, job);
  job->Add<SetupRegistryStep>(context, scheduler_text);
  job->Add<InstallShortcutsStep>(context, std::make_unique<TaskbandUtilsImpl>());
  AddClosing(context, /*is_upgrade=*/false, job);
  return true;
}

bool BuildUpgradeSteps(InstallerContext* context, std::wstring* scheduler_text, JobSteps* job) {
  FilesLists lists;
  if (!ReadFilesLists(context, &lists)) {
    AppendInstallerError("Schedule upgrade steps", 0, std::wstring());
    return AppendInstallerError(kScheduleFailure[2], 0, std::wstring());
  }
  AddVerification(context, lists, job);
  job->Add<RemoveOldFilesStep>(context);
  AddCopyGroup(context, lists, job);
  if (context->IsRunningFromTargetFolder())
    AddListCleanUp(context, job);
  job->Add<RemoveOldRootFilesStep>(context);
  AddRootGroup(context, lists, job);
  AddLauncherToHelper(context, job);
  job->Add<CleanRegistryStep>(context, LauncherArchitecture(context));
  job->Add<SetupRegistryStep>(context, scheduler_text);
  job->Add<UpdateShortcutsStep>(context, std::make_unique<TaskbandUtilsImpl>());
  AddClosing(context, /*is_upgrade=*/true, job);
  return true;
}

bool BuildUninstallSteps(InstallerContext* context, JobSteps* job) {
  job->Add<CleanRegistryStep>(context, LauncherArchitecture(context));
  job->Add<RemoveShortcutsStep>(context, std::make_unique<TaskbandUtilsImpl>());
  job->Add<UninstallFinalizeStep>(context);
  job->Add<RemoveOldFilesStep>(context);
  job->Add<UninstallComponentsStep>(context);
  job->Add<UninstallCleanupStep>(context);
  return true;
}

bool BuildProtocolHandlerSteps(InstallerContext* context, JobSteps* job) {
  job->Add<RegisterProtocolHandlersStep>(context);
  job->Add<WriteInstallerPrefsStep>(context);
  return true;
}

bool BuildRepairSteps(InstallerContext* context, JobSteps* job) {
  // The list of the fetched packs lies beside them in the package folder,
  // which the copy steps copy from.
  base::FilePath package_dir;
  context->GetPackageDir(&package_dir);
  std::vector<std::string> files;
  if (!ReadList(package_dir.Append(kFilesListFileName),
                "Schedule fix downloadable resources failed", &files)) {
    return AppendInstallerError(kScheduleFailure[5], 0, std::wstring());
  }
  job->Add<VerifyDownloadableResourcesStep>(context);
  for (const std::string& entry : files)
    job->Add<StandardCopyStep>(context, base::FilePath::FromUTF8Unsafe(entry));
  job->Add<UpdateInstallationStatusStep>(context);
  job->Add<RemoveMinimalInstallFileStep>(context);
  return true;
}

}  // namespace

InstallerStepSchedulerImpl::InstallerStepSchedulerImpl(
    scoped_refptr<base::SequencedTaskRunner> task_runner,
    base::TimeDelta retry_delay)
    : cursor_(steps_.end()), task_runner_(std::move(task_runner)), retry_delay_(retry_delay) {}

InstallerStepSchedulerImpl::~InstallerStepSchedulerImpl() = default;

bool InstallerStepSchedulerImpl::Schedule(InstallerContext* context,
                                          std::wstring* scheduler_text,
                                          uint32_t* total_steps) {
  JobSteps job;
  bool scheduled = false;
  const InstallOperation operation =
      context ? context->GetInstallOperation() : InstallOperation::kNotDecided;
  switch (operation) {
    case InstallOperation::kNewInstallation:
      scheduled = BuildInstallSteps(context, scheduler_text, &job);
      break;
    case InstallOperation::kOverExistingInstallation:
      scheduled = BuildUpgradeSteps(context, scheduler_text, &job);
      break;
    case InstallOperation::kUninstall:
      scheduled = BuildUninstallSteps(context, &job);
      break;
    case InstallOperation::kRegisterProtocolHandler:
      scheduled = BuildProtocolHandlerSteps(context, &job);
      break;
    case InstallOperation::kRepairDownloadableResources:
      scheduled = BuildRepairSteps(context, &job);
      break;
    default:
      *total_steps = 1;
      return true;
  }
  if (!scheduled)
    return false;
  const uint32_t caller_total = *total_steps;
  ScheduleSteps(std::move(job.steps), total_steps);
  if (operation == InstallOperation::kRegisterProtocolHandler)
    *total_steps = caller_total;
  return true;
}

void InstallerStepSchedulerImpl::ScheduleSteps(std::vector<std::unique_ptr<InstallerStep>> steps,
                                               uint32_t* total_steps) {
  for (auto& step : steps)
    steps_.push_back(std::move(step));
  *total_steps = static_cast<uint32_t>(steps_.size()) + 1;
}

void InstallerStepSchedulerImpl::Start(InstallerStepSchedulerDelegate* delegate) {
  delegate_ = delegate;
  finished_count_ = 0;
  cursor_ = steps_.begin();
  PostNextStep();
}

void InstallerStepSchedulerImpl::PostNextStep() {
  if (cursor_ == steps_.end()) {
    delegate_->OnStepsFinished(true);
    return;
  }
  InstallerStep* step = cursor_->get();
  delegate_->OnStepStarting(step->name());
  task_runner_->PostTask(FROM_HERE, base::BindOnce(&InstallerStepSchedulerImpl::Step,
                                                   base::Unretained(this), step, 0));
  ++cursor_;
}

void InstallerStepSchedulerImpl::Step(InstallerStep* step, int32_t attempt) {
  StepResult result(StepResult::kSuccess);
  step->Execute(result, attempt);
  if (attempt <= kLastRetriedAttempt && (result.code == StepResult::kRetryThenFail ||
                                         result.code == StepResult::kRetryThenIgnore)) {
    VLOG(1) << "Step " << step->name() << " failed with code " << result.code << " at attempt "
            << attempt << "; retrying";
    task_runner_->PostDelayedTask(FROM_HERE,
                                  base::BindOnce(&InstallerStepSchedulerImpl::Step,
                                                 base::Unretained(this), step, attempt + 1),
                                  retry_delay_);
    return;
  }
  OnStepDone(step, result, attempt);
}

void InstallerStepSchedulerImpl::OnStepDone(InstallerStep* step,
                                            const StepResult& result,
                                            int32_t attempt) {
  if (result.code != StepResult::kSuccess && result.code != StepResult::kRetryThenIgnore) {
    SetInstallerError(result.subcode, result.text, result.wide_text);
    delegate_->OnStepsFinished(false);
    return;
  }
  ++finished_count_;
  delegate_->OnStepFinished(step->name(), attempt, finished_count_);
  PostNextStep();
}

}  // namespace velta
