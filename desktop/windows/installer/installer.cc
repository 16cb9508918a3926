// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/installer.h"

#include <windows.h>

#include <time.h>

#include <utility>

#include "base/base_paths.h"
#include "base/bind.h"
#include "base/command_line.h"
#include "base/features/command_line_feature_reader.h"
#include "base/features/feature_states.h"
#include "base/features/pref_list_feature_reader.h"
#include "base/files/file_util.h"
#include "base/logging.h"
#include "base/path_service.h"
#include "base/process/launch.h"
#include "base/strings/string_number_conversions.h"
#include "base/strings/stringprintf.h"
#include "base/strings/utf_string_conversions.h"
#include "base/threading/thread_task_runner_handle.h"
#include "base/types/to_underlying.h"
#include "base/win/scoped_handle.h"
#include "base/win/windows_version.h"
#include "crash_reporter/crash_reporting.h"
#include "desktop/windows/installer/common/install_folder_path.h"
#include "desktop/windows/installer/common/installer_error.h"
#include "desktop/windows/installer/common/installer_utils.h"
#include "desktop/windows/installer/common/json_pref_store_factory.h"
#include "desktop/windows/installer/common/product/installer_constants.h"
#include "desktop/windows/installer/common/product/installer_features.h"
#include "desktop/windows/installer/common/product/installer_switches.h"
#include "desktop/windows/installer/common/product/product_constants.h"
#include "desktop/windows/installer/common/relative_paths.h"
#include "desktop/windows/installer/common/utils.h"
#include "desktop/windows/installer/common/win/security_utils.h"
#include "desktop/windows/installer/common/win/win_api.h"
#include "desktop/windows/installer/common/win/win_api_process.h"
#include "desktop/windows/installer/elevation/install_folder_access.h"
#include "desktop/windows/installer/flow/installer_observer.h"
#include "desktop/windows/installer/installation_folder_details.h"
#include "desktop/windows/installer/interprocess_state.h"
#include "desktop/windows/installer/lzma_util/lzma_util.h"
#include "desktop/windows/installer/settings.h"
#include "desktop/windows/installer/status/installation_status_json_writer.h"
#include "desktop/windows/installer/steps/installer_step_scheduler_impl.h"
#include "desktop/windows/installer/transactions/operation.h"
#include "desktop/windows/installer/transactions/operation_factory.h"
#include "desktop/windows/installer/transactions/registry_template_entry.h"
#include "desktop/windows/installer/transactions/run_journal.h"
#include "desktop/windows/installer/transactions/transaction.h"
#include "desktop/windows/installer/utils/file_version_utils_impl.h"

namespace velta {
namespace {

// Read, write and execute rights on a folder's files.
constexpr DWORD kReadWriteExecuteAccess = 0x1201BF;

// Whether the package's installer started this process (the variable
// kStartedAsPackageInstallerVariable in its environment). The variable is
// taken out of the environment at once: nothing this process starts, the
// browser included, inherits it.
bool TakeStartedAsPackageInstaller() {
  const bool started =
      ::GetEnvironmentVariableW(kStartedAsPackageInstallerVariable, nullptr, 0) != 0;
  ::SetEnvironmentVariableW(kStartedAsPackageInstallerVariable, nullptr);
  return started;
}

bool IsAllUsers(const Settings& settings) {
  return settings.IsAllUsers();
}

// Whether `file` is in use: a running program or a file another process
// holds open refuses to be opened for writing and deleting, whatever the
// sharing asked (a program's image refuses writes). A file that merely
// cannot be written there (a read-only folder, an access list) is not in
// use; neither is one that is gone.
bool IsFileInUse(const base::FilePath& file) {
  base::win::ScopedHandle handle(::CreateFileW(
      file.value().c_str(), GENERIC_WRITE | DELETE,
      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING, 0, nullptr));
  if (handle.IsValid())
    return false;
  const DWORD error = ::GetLastError();
  return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION ||
         error == ERROR_USER_MAPPED_FILE;
}

}  // namespace

Installer::Installer(std::unique_ptr<InstallerStepScheduler> scheduler,
                     std::unique_ptr<Transaction> transaction,
                     std::unique_ptr<OperationFactory> operation_factory,
                     scoped_refptr<base::SequencedTaskRunner> task_runner)
    : scheduler_(std::move(scheduler)),
      task_runner_(std::move(task_runner)),
      transaction_(std::move(transaction)),
      operation_factory_(std::move(operation_factory)),
      package_handler_(std::make_unique<PackageHandler>(std::make_unique<FileVersionUtilsImpl>(),
                                                        std::make_unique<LzmaUtil>(),
                                                        this,
                                                        &package_progress_)),
      started_as_package_installer_(TakeStartedAsPackageInstaller()) {}

Installer::~Installer() {
  if (running_)
    Cancel();
  package_ready_event_.reset();
  interrupted_event_.reset();
  package_handler_.reset();
  // The transaction commits as it goes and its operations may still make
  // sub-operations through the factory: it goes first. The factory's journal
  // of the run goes with the factory, once nothing is left to undo.
  transaction_.reset();
  operation_factory_.reset();
  scheduler_.reset();
  // What earlier unfinished runs left goes only after this run's own parked
  // files are gone with its commit.
  if (leftover_remover_)
    leftover_remover_->Run();
}

void Installer::AddObserver(InstallerObserver* observer) {
  observers_.AddObserver(observer);
}

void Installer::RemoveObserver(InstallerObserver* observer) {
  observers_.RemoveObserver(observer);
}

bool Installer::Run(Settings* settings) {
  LOG(INFO) << "Beginning installation";
  CHECK(!running_ && !settings_) << "An installation is already running";
  CHECK(!settings->IsFetchingFolderDetails()) << "The settings are still being gathered";
  settings->SetEditable(false);
  settings_ = settings;
  result_ = 20;
  return task_runner_->PostTask(
      FROM_HERE, base::BindOnce(&Installer::StartInstallation, base::Unretained(this)));
}

uint32_t Installer::GetResult() const {
  return result_;
}

void Installer::Cancel() {
  LOG(INFO) << "Installation cancelled";
  transaction_->Rollback();
  operation_factory_->run_journal()->Close();
  Finish();
  for (InstallerObserver& observer : observers_)
    observer.OnInstallationCancelled();
}

void Installer::Fail(uint32_t code, const std::string& detail, const std::wstring& text) {
  result_ = code;
  for (InstallerObserver& observer : observers_)
    observer.OnError(static_cast<int>(code), text, detail);
  Cancel();
  LOG(ERROR) << detail;
}

void Installer::FailWithLastError() {
  uint32_t code = 0;
  std::string detail;
  std::wstring text;
  GetInstallerError(&code, &detail, &text);
  // A failure must never read as success.
  Fail(code != 0 ? code : kResultGeneralFailure, detail, text);
}

void Installer::Succeed() {
  LOG(INFO) << "Installation succeeded";
  result_ = 0;
  for (InstallerObserver& observer : observers_)
    observer.OnSuccess();
  Finish();
}

void Installer::Finish() {
  if (permission_undo_event_.IsValid()) {
    if (!::SetEvent(permission_undo_event_.Get()))
      PLOG(ERROR) << "Cannot tell the folder-permission process to take its grant back";
    permission_undo_event_.Close();
  }
  settings_ = nullptr;
  scheduler_text_.clear();
  running_ = false;
}

void Installer::StartInstallation() {
  running_ = true;
  const base::CommandLine& command_line = *base::CommandLine::ForCurrentProcess();
  const InstallOperation op = GetInstallOperation();

  if (op == InstallOperation::kRegisterProtocolHandler) {
    uint32_t total_steps = 0;
    if (!scheduler_->Schedule(this, &scheduler_text_, &total_steps)) {
      FailWithLastError();
      return;
    }
    scheduler_->Start(&step_reports_);
    return;
  }
  if (!ValidateInstallerSettings(settings_->GetSettingsCheck())) {
    AppendInstallerError("Cannot run the backend installer.", 0, std::wstring());
    FailWithLastError();
    return;
  }
  if (op != InstallOperation::kOverExistingInstallation && IsAutoupdateRun()) {
    Fail(kResultNotAnUpgradeInAutoupdate,
         base::StringPrintf("Settings operation invalid for autoupdate: %u\n",
                            base::to_underlying(op)));
    return;
  }
  if (command_line.HasSwitch(kPostElevatedInstallTasksSwitch)) {
    LOG(INFO) << "Post elevation installation tasks only";
    RunPostElevationTasks();
    Succeed();
    return;
  }

  const base::FilePath path = settings_->GetInstallFolder();
  const std::wstring interrupted_name =
      MakeNamedObjectName(path.value(), kInstallationInterruptedEventBaseName, true);
  interrupted_event_ = WinApi::GetInstance()->OpenEvent(&event_watch_, interrupted_name);
  VLOG(1) << "Event name for interrupted installation: " << interrupted_name;
  if (!interrupted_event_->IsValid()) {
    Fail(kResultGeneralFailure, "Failed to open a handle to the installation interrupted event");
    return;
  }
  if (!interrupted_event_->StartWatching()) {
    Fail(kResultGeneralFailure, "Failed to watch the installation interrupted event");
    return;
  }

  unsigned parent_pid = 0;
  if (command_line.HasSwitch(kParentPidSwitch) &&
      base::StringToUint(command_line.GetSwitchValueASCII(kParentPidSwitch), &parent_pid)) {
    second_installer_pid_ = parent_pid;
    VLOG(1) << "Second installer pid: " << second_installer_pid_;
  }

  SecurityUtils* security = SecurityUtils::GetInstance();
  const bool is_admin = security->IsUserInAdminGroup(false);
  VLOG(1) << "is_elevated_admin: " << is_admin;
  const bool all_users = IsAllUsers(*settings_);
  if (all_users && IsSilentRun() && !is_admin) {
    Fail(kResultGeneralFailure, "Installation requires elevation, but cannot elevate when silent");
    return;
  }

  const InstallationFolderDetails* details = settings_->GetFolderDetails();
  bool may_write = true;
  if (path != details->GetValidParent() && (!all_users || is_admin)) {
    VLOG(2) << "Using write permissions from the status";
    if (details->HasWriteAccess()) {
      std::unique_ptr<Operation> create = operation_factory_->CreateCreateFolder(path);
      std::string error;
      if (!transaction_->Execute(create, &error)) {
        Fail(kResultGeneralFailure, "Could not create installation folder", path.value());
        return;
      }
    } else {
      may_write = false;
    }
  }

  if (GetInstallerMode() == InstallerMode::kInstall && !settings_->IsCopyOnly() &&
      !IsAutoupdateRun()) {
    SaveLastInstallPath();
  }

  const bool single_profile = settings_->IsSingleProfile();
  const bool new_single_profile = op == InstallOperation::kNewInstallation &&
                                  single_profile && !details->GetSingleProfile().value_or(false);
  InstallFolderAccessFacts facts{
      .all_users = all_users,
      .is_admin = is_admin,
      .has_write = may_write &&
                   security->HasAccess(path.value(), SE_FILE_OBJECT, kReadWriteExecuteAccess),
      .needs_writable_folder = new_single_profile,
  };
  InstallFolderAccess access = DecideInstallFolderAccess(facts);
  if (access == InstallFolderAccess::kWrite || access == InstallFolderAccess::kGrantOwnAccess) {
    if (new_single_profile && is_admin) {
      std::unique_ptr<SecurityRestoreInfo> unused;
      security->TakeOwnershipAndGrantFullAccess(path.value(), SE_FILE_OBJECT, GENERIC_ALL, true,
                                                &unused);
    }
    LOG(INFO) << "Write privileges for install folder: " << facts.has_write;
  }
  if (access == InstallFolderAccess::kGrantOwnAccess) {
    std::unique_ptr<SecurityRestoreInfo> unused;
    facts.has_write = security->TakeOwnershipAndGrantFullAccess(
        path.value(), SE_FILE_OBJECT, kReadWriteExecuteAccess, true, &unused);
    facts.own_grant_failed = !facts.has_write;
    facts.can_elevate = facts.own_grant_failed && !is_admin && security->IsUserInAdminGroup(true);
    access = DecideInstallFolderAccess(facts);
  }

  switch (access) {
    case InstallFolderAccess::kWrite:
      break;
    case InstallFolderAccess::kGrantOwnAccess:
      NOTREACHED() << "Decided again once the grant was tried";
      break;
    case InstallFolderAccess::kRunElevated:
      if (facts.own_grant_failed)
        VLOG(1) << "Running elevated because of folder privileges";
      else
        VLOG(1) << "All users is set but we have no admin privs -> elevate";
      FinishElevated();
      return;
    case InstallFolderAccess::kBorrowGrant: {
      LOG(INFO) << "Need temporary write permissions from administrative user";
      const bool permanent = single_profile || command_line.HasSwitch(kComponentsSwitch);
      if (!ObtainFolderPermission(path, permanent)) {
        FailWithLastError();
        return;
      }
      if (!security->HasAccess(path.value(), SE_FILE_OBJECT, kReadWriteExecuteAccess)) {
        Fail(kResultNoWriteAccess,
             "No write access to installation folder after attempting to get it via elevated "
             "process");
        return;
      }
      break;
    }
    case InstallFolderAccess::kRefuseSingleProfile:
      Fail(kResultNoWriteAccess,
           "Single profile installations are only allowed to locations where the user has write "
           "access");
      return;
    case InstallFolderAccess::kRefuseAdministrator:
      Fail(kResultNoWriteAccess, "Could not obtain write permissions to installation folder");
      return;
  }
  ContinueInFolder();
}

void Installer::FinishElevated() {
  if (!RunElevated()) {
    FailWithLastError();
    return;
  }
  VLOG(2) << "Succeeded elevated run";
  Succeed();
}

void Installer::ContinueInFolder() {
  base::CommandLine* command_line = base::CommandLine::ForCurrentProcess();
  const base::FilePath path = settings_->GetInstallFolder();
  const InstallOperation op = GetInstallOperation();

  std::unique_ptr<Operation> create = operation_factory_->CreateCreateFolder(path);
  std::string error;
  if (!transaction_->Execute(create, &error)) {
    Fail(kResultCannotCreateFolder, "Could not create installation folder",
         settings_->GetFolderDetails()->GetPath().value());
    return;
  }
  // From here on each folder the run creates in the install folder and each
  // file it parks there is journaled first: should the run never end, a
  // later one removes what it left, and nothing that is not in a journal.
  operation_factory_->run_journal()->Start(path);
  for (InstallerObserver& observer : observers_)
    observer.OnInstallFolderCreated();

  if (command_line->HasSwitch(kWaitForPackageSwitch)) {
    VLOG(2) << "Need to wait for package";
    WaitForPackage(false);
    return;
  }

  const InstallerMode mode = GetInstallerMode();
  if (mode == InstallerMode::kInstall) {
    if (!package_handler_->PrepareInstallSubfolder(command_line)) {
      FailWithLastError();
      return;
    }
    if (HasPackageDir() && !IsRunningFromTargetFolder()) {
      for (InstallerObserver& observer : observers_)
        observer.OnEnteringPhase(6);
      if (!package_handler_->InstallPackageFiles(command_line)) {
        FailWithLastError();
        return;
      }
      if (RunPackageInstaller(false))
        Succeed();
      else
        FailWithLastError();
      return;
    }
  }

  // From here this process is the package's installer, or the job is not an
  // installation.
  for (InstallerObserver& observer : observers_)
    observer.OnEnteringPhase(7);
  const base::FilePath subfolder = GetInstallSubfolder();

  if (mode == InstallerMode::kUninstall) {
    const InstallationStatus* existing = GetExistingInstallation();
    base::FilePath executable = path;
    if (existing)
      executable = executable.Append(existing->subfolder);
    executable = executable.Append(base::UTF8ToWide(GetBrowserExeName()));
    // A version folder that has become a link leads to another place: no
    // file there is the installation's to remove.
    if (MayRemoveRecordedFile(path, executable)) {
      std::unique_ptr<Operation> remove = operation_factory_->CreateDeleteFile(
          executable, ProgramInUse::kKeep, EmptyParents::kRemoveOnCommit);
      if (!transaction_->Execute(remove, &error)) {
        // Only a program that runs keeps the uninstall from going on; a
        // folder that cannot be written is a lack of write access.
        if (IsFileInUse(executable)) {
          Fail(kResultBrowserInUse, "Can't uninstall when " + GetBrowserExeName() + " is in use");
        } else {
          LOG(ERROR) << "Cannot remove " << executable << ": " << error;
          Fail(kResultNoWriteAccess, "Could not obtain write permissions to installation folder");
        }
        return;
      }
    }
  } else {
    new_status_.copy_only = settings_->IsCopyOnly();
    new_status_.all_users = settings_->IsAllUsers();
    new_status_.path = path;
    new_status_.version = GetProductVersion();
    const InstallationStatus* existing = GetExistingInstallation();
    if (op == InstallOperation::kOverExistingInstallation && existing &&
        !existing->app_id.empty()) {
      new_status_.app_id = existing->app_id;
    } else {
      new_status_.app_id = base::NumberToWString(static_cast<long long>(::time(nullptr)));
      VLOG(1) << "AppId for new installation: " << new_status_.app_id;
    }
    VLOG(1) << "Installation subfolder" << subfolder.value();
    new_status_.subfolder = subfolder;
  }

  if (op == InstallOperation::kOverExistingInstallation)
    ApplyStoredExperiments(path);
  if (settings_->GetFolderDetails()->GetExperimentState(kInstallerExperimentTestFeature) !=
      FeatureStates::GetInstance()->IsEnabled(kInstallerExperimentTestFeature)) {
    LOG(INFO) << "Changing the status of the test experiment.";
  }
  ScheduleSteps();
}

void Installer::ScheduleSteps() {
  uint32_t total_steps = 0;
  if (!scheduler_->Schedule(this, &scheduler_text_, &total_steps)) {
    FailWithLastError();
    return;
  }
  for (InstallerObserver& observer : observers_)
    observer.OnTotalSteps(static_cast<int>(total_steps));
  scheduler_->Start(&step_reports_);
}

void Installer::ApplyStoredExperiments(const base::FilePath& path) {
  scoped_refptr<base::JsonPrefStore> prefs =
      CreateJsonPrefStore(GetPrefStoreTaskRunnerMap(), path.Append(kInstallerPrefsFileName));
  const base::Value* experiments = nullptr;
  if (!prefs->GetValue(kStoredExperimentsPref, &experiments) || !experiments->is_list())
    return;
  FeatureStates* states = FeatureStates::GetInstance();
  states->ApplyReader(PrefListFeatureReader(experiments->Clone()));
  // The command line's own choices keep precedence.
  states->ApplyReader(CommandLineFeatureReader(*base::CommandLine::ForCurrentProcess()));
}

void Installer::WaitForPackage(bool post_elevated) {
  LOG(INFO) << "Need to wait for actual package";
  post_elevated_after_package_ = post_elevated;
  const std::wstring name = MakeNamedObjectName(settings_->GetInstallFolder().value(),
                                                kPackageReadyEventBaseName, true);
  package_ready_event_ = WinApi::GetInstance()->OpenEvent(&event_watch_, name);
  VLOG(1) << "Event name for package_ready: " << name;
  if (!package_ready_event_->IsValid()) {
    Fail(kResultGeneralFailure, "Failed to open a handle to the package ready event");
    return;
  }
  if (package_ready_event_->IsSignaled()) {
    OnPackageReady();
    return;
  }
  if (!package_ready_event_->StartWatching())
    Fail(kResultGeneralFailure, "Failed to watch the package ready event");
}

void Installer::OnEventSignaled(WinApiEvent* event) {
  // A signal after the job ended must not undo a finished installation.
  if (!running_)
    return;
  if (event == interrupted_event_.get()) {
    LOG(INFO) << "Installation was interrupted";
    Cancel();
    return;
  }
  OnPackageReady();
}

void Installer::OnPackageReady() {
  LOG(INFO) << "Package is ready";
  base::CommandLine* command_line = base::CommandLine::ForCurrentProcess();
  if (HasPackageDir()) {
    for (InstallerObserver& observer : observers_)
      observer.OnEnteringPhase(6);
    if (!package_handler_->InstallPackageFiles(command_line)) {
      FailWithLastError();
      return;
    }
  }
  std::unique_ptr<InstallationStatus> previous_status;
  if (const InstallationStatus* existing = GetExistingInstallation())
    previous_status = std::make_unique<InstallationStatus>(*existing);
  const base::FilePath path = settings_->GetInstallFolder();
  if (RunPackageInstaller(post_elevated_after_package_)) {
    Succeed();
    return;
  }
  FailWithLastError();
  // A failed upgrade leaves the earlier status file in place.
  if (previous_status &&
      !WriteInstallationStatusJson(*previous_status, path.Append(kInstallationStatusJsonFileName))) {
    LOG(ERROR) << "Could not restore the previous installation status";
  }
}

bool Installer::RunPackageInstaller(bool post_elevated) {
  // Everything that needs the settings is read now: Finish forgets them
  // before the child starts.
  base::CommandLine command_line(base::CommandLine::NO_PROGRAM);
  settings_->AppendToCommandLine(false, &command_line);
  base::FilePath target;
  GetInstallTargetFolder(&target);
  base::FilePath program_folder = target;
  if (!HasPackageDir())
    GetPackageDir(&program_folder);
  const base::FilePath program = program_folder.Append(kPackageInstallerFileName);
  // The package's installer runs the job itself: whatever the test of the
  // folder it runs from said, it never starts the package's installer again.
  if (started_as_package_installer_) {
    return SetInstallerError(kResultGeneralFailure,
                             "The installer from the package would start the package's "
                             "installer again: " + program.AsUTF8Unsafe(),
                             std::wstring());
  }
  command_line.SetProgram(program);
  if (post_elevated)
    command_line.AppendSwitch(kPostElevatedInstallTasksSwitch);
  AppendCrashReporterPid(&command_line);
  const base::CommandLine& own = *base::CommandLine::ForCurrentProcess();
  if (own.HasSwitch(kInstallSubfolderSwitch)) {
    command_line.AppendSwitchNative(kInstallSubfolderSwitch,
                                    own.GetSwitchValueNative(kInstallSubfolderSwitch));
  }
  InterprocessState::GetInstance()->AppendToCommandLine(&command_line);

  for (InstallerObserver& observer : observers_)
    observer.OnStartingNewMainProcess(false);
  // The folder-permission helper takes its temporary grant back before the
  // child starts.
  Finish();
  LOG(INFO) << "Running installer from the package with command line: "
            << command_line.GetCommandLineString();
  base::LaunchOptions options;
  options.wait = true;
  options.environment[kStartedAsPackageInstallerVariable] = L"1";
  std::unique_ptr<WinApiProcess> process =
      WinApi::GetInstance()->LaunchProcess(command_line, options);
  const DWORD launch_error = ::GetLastError();
  for (InstallerObserver& observer : observers_)
    observer.OnReturnedToPreviousMainProcess();
  if (!process->IsValid()) {
    return SetInstallerError(kResultGeneralFailure,
                             "Failed to start installer process from the package folder: " +
                                 logging::SystemErrorCodeToString(launch_error),
                             std::wstring());
  }

  const base::FilePath marker = target.Append(kInstallDoneMarkerFileName);
  const bool done = base::PathExists(marker);
  if (done && !base::DeleteFile(marker))
    LOG(WARNING) << "Cannot delete " << marker.value();
  const uint32_t result = process->GetExitCode();
  if (IsInstallerResultSuccess(result) || (done && !IsMeaningfulInstallerResult(result)))
    return true;
  return SetInstallerError(result, "Installer process did not complete successfully.",
                           std::wstring());
}

// static
void Installer::AppendCrashReporterPid(base::CommandLine* command_line) {
  const uint32_t reporter = InstallerCrashReporterClient::GetInstance()->reporter_process_id();
  if (reporter != 0) {
    command_line->AppendSwitchASCII(kCrashReporterPidSwitch,
                                    base::StringPrintf("%ld", static_cast<long>(reporter)));
  }
}

void Installer::SaveLastInstallPath() {
  VLOG(1) << "Saving last installation path.";
  // Values of the company's key under HKEY_CURRENT_USER, for any Windows.
  const RegistryTemplate last_install_path = {
      .key = L"{CompanyRegistryKey}",
      .value_name = L"Last {Stream} Install Path",
      .type = REG_SZ,
      .text = L"{InstallFolder}\\",
      .min_windows = base::win::VERSION_PRE_XP,
  };
  const RegistryTemplate legacy_x64_install_path = {
      .key = L"{CompanyRegistryKey}",
      .value_name = L"Last {Stream} Install Path x64",
      .type = RegistryTemplate::kRemoveValue,
      .min_windows = base::win::VERSION_PRE_XP,
  };
  if (!RegistryTemplateEntry(last_install_path, this)
           .Apply(HKEY_CURRENT_USER, transaction_.get(), operation_factory_.get(), nullptr)) {
    LOG(WARNING) << "Could not write last installation path";
  }
  if (settings_->GetArchitecture() == PackageArchitecture::kX64 &&
      !RegistryTemplateEntry(legacy_x64_install_path, this)
           .Apply(HKEY_CURRENT_USER, transaction_.get(), operation_factory_.get(), nullptr)) {
    LOG(WARNING) << "Could not delete legacy x64 last install path";
  }
}

base::FilePath Installer::GetInstallSubfolder() {
  const InstallOperation op = GetInstallOperation();
  if (op == InstallOperation::kUninstall ||
      op == InstallOperation::kRepairDownloadableResources) {
    const InstallationStatus* existing = GetExistingInstallation();
    return existing ? existing->subfolder : base::FilePath();
  }
  return base::CommandLine::ForCurrentProcess()->GetSwitchValuePath(kInstallSubfolderSwitch);
}

Settings* Installer::GetSettings() {
  return settings_;
}

InstallOperation Installer::GetInstallOperation() {
  return settings_ ? settings_->GetOperation() : InstallOperation::kNotDecided;
}

Transaction* Installer::GetTransaction() {
  return transaction_.get();
}

OperationFactory* Installer::GetOperationFactory() {
  return operation_factory_.get();
}

InstallationStatus* Installer::GetExistingInstallation() {
  if (!settings_)
    return nullptr;
  // The steps read it only; the interface predates the const details.
  return const_cast<InstallationStatus*>(settings_->GetFolderDetails()->GetExistingInstallation());
}

void Installer::GetInstallTargetFolder(base::FilePath* folder) {
  GetInstallFolder(folder);
  const base::FilePath subfolder = GetInstallSubfolder();
  if (!subfolder.empty())
    *folder = folder->Append(subfolder);
}

void Installer::GetPackageDir(base::FilePath* folder) {
  *folder = InterprocessState::GetInstance()->ResolvePackageDir();
}

void Installer::GetInstallFolder(base::FilePath* folder) {
  *folder = settings_ ? settings_->GetFolderDetails()->GetPath() : base::FilePath();
}

void Installer::GetInstallPath(base::FilePath* folder) {
  *folder = settings_ ? settings_->GetInstallFolder() : base::FilePath();
}

InstallationStatus* Installer::GetNewInstallationStatus() {
  return &new_status_;
}

InstallationFolderDetails* Installer::GetFolderDetails() {
  if (!settings_)
    return nullptr;
  return const_cast<InstallationFolderDetails*>(settings_->GetFolderDetails());
}

PlaceholderResolver* Installer::GetPlaceholderResolver() {
  return this;
}

void Installer::StartRegistryRecording() {
  recording_registry_ = true;
}

void Installer::StopRegistryRecording() {
  recording_registry_ = false;
}

void Installer::ReportImportantEvent(const std::string& name) {
  for (InstallerObserver& observer : observers_)
    observer.OnImportantEvent(name);
}

void Installer::GetVersionFolder(base::FilePath* folder) {
  GetInstallTargetFolder(folder);
}

bool Installer::HasExistingInstallation() {
  return settings_->GetFolderDetails()->HasExistingInstallation();
}

bool Installer::IsMinimalInstall() {
  base::FilePath target;
  GetInstallTargetFolder(&target);
  if (base::PathExists(target.Append(kMinimalInstallFileName)))
    return true;
  return GetInstallOperation() == InstallOperation::kRepairDownloadableResources;
}

bool Installer::IsRunningFromTargetFolder() {
  base::FilePath exe_folder;
  if (!base::PathService::Get(base::DIR_EXE, &exe_folder))
    return false;
  base::FilePath target;
  GetInstallTargetFolder(&target);
  return IsSameInstallFolder(exe_folder, target);
}

bool Installer::HasPackageDir() {
  return InterprocessState::GetInstance()->HasPackageDir();
}

void Installer::OnStepsFinished(bool success) {
  if (!success) {
    FailWithLastError();
    return;
  }
  const InstallOperation op = GetInstallOperation();
  if (op == InstallOperation::kNewInstallation ||
      op == InstallOperation::kOverExistingInstallation) {
    FinalizeInstallation(new_status_.subfolder);
  }
  if (op == InstallOperation::kNewInstallation ||
      op == InstallOperation::kOverExistingInstallation || op == InstallOperation::kUninstall ||
      op == InstallOperation::kRepairDownloadableResources) {
    leftover_remover_ = std::make_unique<LeftoverRemover>(settings_->GetInstallFolder());
    if (op == InstallOperation::kNewInstallation ||
        op == InstallOperation::kOverExistingInstallation) {
      leftover_remover_->Keep(new_status_);
    }
    if (const InstallationStatus* existing = GetExistingInstallation())
      leftover_remover_->Keep(*existing);
  }
  Succeed();
}

void Installer::EventWatch::OnEventSignaled(WinApiEvent* event) {
  installer_->OnEventSignaled(event);
}

void Installer::StepReports::OnStepStarting(const std::string& name) {
  for (InstallerObserver& observer : installer_->observers_)
    observer.OnStepStarting(name);
}

void Installer::StepReports::OnStepFinished(const std::string& name,
                                            int32_t attempt,
                                            int32_t finished_count) {
  for (InstallerObserver& observer : installer_->observers_)
    observer.OnStepFinished(name, attempt, finished_count);
}

void Installer::StepReports::OnStepsFinished(bool success) {
  installer_->OnStepsFinished(success);
}

void Installer::PackageProgress::OnTotalSteps(int32_t total) {
  for (InstallerObserver& observer : installer_->observers_)
    observer.OnTotalSteps(total);
}

void Installer::PackageProgress::OnStepFinished(const std::string& step_name, int32_t index) {
  for (InstallerObserver& observer : installer_->observers_)
    observer.OnStepFinished(step_name, 0, index);
}

std::unique_ptr<InstallerJob> CreateInstaller() {
  scoped_refptr<base::SequencedTaskRunner> task_runner = base::ThreadTaskRunnerHandle::Get();
  return std::make_unique<Installer>(std::make_unique<InstallerStepSchedulerImpl>(task_runner),
                                     std::make_unique<Transaction>(),
                                     std::make_unique<OperationFactory>(), task_runner);
}

}  // namespace velta
