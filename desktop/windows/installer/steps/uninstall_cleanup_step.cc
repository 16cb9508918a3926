// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/steps/uninstall_cleanup_step.h"

#include <windows.h>

#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "base/command_line.h"
#include "base/files/file_util.h"
#include "base/logging.h"
#include "base/process/launch.h"
#include "base/process/process.h"
#include "base/strings/string_number_conversions.h"
#include "desktop/windows/installer/common/product/installer_constants.h"
#include "desktop/windows/installer/common/product/installer_switches.h"
#include "desktop/windows/installer/common/relative_paths.h"
#include "desktop/windows/installer/common/utils.h"
#include "desktop/windows/installer/common/win/win_api.h"
#include "desktop/windows/installer/flow/installer_context.h"
#include "desktop/windows/installer/installation/installation.h"
#include "desktop/windows/installer/installation_folder_details.h"
#include "desktop/windows/installer/service/task_scheduler.h"
#include "desktop/windows/installer/settings.h"
#include "desktop/windows/installer/status/installation_status.h"
#include "desktop/windows/installer/steps/cleanup_batch.h"
#include "desktop/windows/installer/transactions/operation.h"
#include "desktop/windows/installer/transactions/operation_factory.h"
#include "desktop/windows/installer/transactions/transaction.h"

namespace velta {

namespace {

uint32_t ReadPidSwitch(const char* name) {
  uint32_t pid = 0;
  const std::wstring value = base::CommandLine::ForCurrentProcess()->GetSwitchValueNative(name);
  return base::StringToUint(value, &pid) ? pid : 0;
}

}  // namespace

UninstallCleanupStep::UninstallCleanupStep(InstallerContext* context)
    : InstallerStep(context, "uninstall_cleanup") {}

UninstallCleanupStep::~UninstallCleanupStep() = default;

StepResult& UninstallCleanupStep::Execute(StepResult& result, int32_t /*attempt*/) {
  result = StepResult(StepResult::kSuccess);
  LOG(INFO) << "Cleaning up files after uninstallation";
  Settings* settings = GetSettings();
  const InstallationFolderDetails* details = GetFolderDetails();
  const base::FilePath folder = details->GetPath();
  const InstallationStatus empty_status(StatusSource::kInvalid);
  const InstallationStatus& status =
      details->GetExistingInstallation() ? *details->GetExistingInstallation() : empty_status;

  if (!settings->IsCopyOnly()) {
    LOG(INFO) << "Removing scheduled task";
    std::unique_ptr<TaskScheduler> scheduler = CreateTaskScheduler();
    if (scheduler && scheduler->Init()) {
      scheduler->DeleteStaleTasks();
      scheduler->DeleteTask(L"Autoupdate " + status.app_id);
    }
  }

  OperationFactory* factory = GetContext()->GetOperationFactory();
  Transaction* transaction = GetContext()->GetTransaction();
  auto remove = [&](const base::FilePath& path, ProgramInUse in_use, EmptyParents parents) {
    std::unique_ptr<Operation> removal = factory->CreateDeleteFile(path, in_use, parents);
    return transaction->Execute(removal, nullptr);
  };
  CleanupBatch batch;
  std::set<std::wstring> batch_folders;
  const base::FilePath version_folder = folder.Append(status.subfolder);
  std::set<std::wstring> removed_links;
  const bool subfolder_inside = status.subfolder.empty() || IsRelativePathInside(status.subfolder);
  for (const base::FilePath& entry : status.files) {
    if (!subfolder_inside || !IsRelativePathInside(entry)) {
      LOG(ERROR) << "Skipping a recorded file outside the installation: " << entry;
      continue;
    }
    const base::FilePath path = folder.Append(status.subfolder).Append(entry);
    // Through a link (a version folder or one of its folders replaced by a
    // junction or symbolic link) a recorded name reaches another place's
    // file: neither this step nor k.bat touches it. A link that replaced a
    // folder of the version folder is removed itself, never anything
    // through it; the folders the link lies in are the version folder's.
    if (!MayRemoveRecordedFile(folder, path)) {
      const base::FilePath link = FindLinkOnTheWay(folder, path);
      if (version_folder.IsParent(link) && removed_links.insert(link.value()).second) {
        if (WinApi::GetInstance()->DeleteLink(link))
          LOG(INFO) << "Removed the link " << link;
        else
          PLOG(WARNING) << "Cannot remove the link " << link << "; it stays";
      }
      continue;
    }
    if (remove(path, ProgramInUse::kKeep, EmptyParents::kRemoveOnCommit))
      continue;
    batch.files.push_back(path);
    // Its folders up to the install folder, never above it: the user's own
    // (empty) folders around the installation are not the uninstaller's.
    for (base::FilePath parent = path.DirName();
         parent != folder && folder.IsParent(parent); parent = parent.DirName()) {
      batch_folders.insert(parent.value());
    }
  }
  if (!remove(folder.Append(kLauncherFileName), ProgramInUse::kKeep,
              EmptyParents::kRemoveOnCommit)) {
    batch.files.push_back(folder.Append(kLauncherFileName));
  }
  const base::FilePath old_browser =
      folder.AppendASCII(GetBrowserExeName()).ReplaceExtension(L".old");
  if (base::PathExists(old_browser))
    remove(old_browser, ProgramInUse::kDelete, EmptyParents::kKeep);
  const base::FilePath overrides = folder.Append(kPrefDefaultOverridesFileName);
  if (base::PathExists(overrides) && !remove(overrides, ProgramInUse::kKeep, EmptyParents::kKeep))
    batch.files.push_back(overrides);
  for (const base::FilePath& entry : status.root_files) {
    if (IsRelativePathInside(entry) && MayRemoveRecordedFile(folder, folder.Append(entry)))
      remove(folder.Append(entry), ProgramInUse::kKeep, EmptyParents::kRemoveOnCommit);
  }

  batch.writer_pid = ::GetCurrentProcessId();
  batch.initial_pid = ReadPidSwitch(kInitialPidSwitch);
  batch.parent_pid = GetContext()->GetSecondInstallerPid();
  // Deepest first: a folder comes before its parents.
  for (auto it = batch_folders.rbegin(); it != batch_folders.rend(); ++it)
    batch.folders.emplace_back(*it);
  if (WriteCleanupBatch(folder, batch) && !GetContext()->HasPendingPermissionUndo()) {
    LOG(INFO) << "Starting final cleanup batch file.";
    base::LaunchOptions options;
    options.start_hidden = true;
    // The script's commands and their messages must not reach the output
    // of whoever started the uninstall (a terminal, a script's log).
    options.console_without_window = true;
    base::Process process = base::LaunchProcess(
        L"cmd.exe /c \"" + folder.Append(kCleanupBatchName).value() + L"\"", options);
    if (!process.IsValid())
      LOG(ERROR) << "Cannot start the clean-up script";
  }

  if (settings->IsDeleteProfile()) {
    std::unique_ptr<Installation> installation = Installation::CreateForFolder(folder);
    base::FilePath profile;
    if (installation->GetProfileFolderWithoutUser(&profile)) {
      LOG(INFO) << "Deleting user profile.";
      base::DeletePathRecursively(profile);
      base::FilePath mapped;
      installation->MapProfilePath(profile, &mapped);
      if (!mapped.empty() && mapped != profile)
        base::DeletePathRecursively(mapped);
    }
  }
  return result;
}

}  // namespace velta
