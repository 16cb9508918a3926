// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/installer_controller.h"

#include <utility>

#include "base/base_paths.h"
#include "base/bind.h"
#include "base/command_line.h"
#include "base/features/feature_states.h"
#include "base/logging.h"
#include "base/path_service.h"
#include "base/process/launch.h"
#include "base/strings/string_number_conversions.h"
#include "base/strings/utf_string_conversions.h"
#include "base/threading/thread.h"
#include "desktop/windows/installer/avro_stats/autoupdate_failed_event.h"
#include "desktop/windows/installer/avro_stats/avro_stats_sender.h"
#include "desktop/windows/installer/avro_stats/controller_quitting_event.h"
#include "desktop/windows/installer/avro_stats/error_event.h"
#include "desktop/windows/installer/avro_stats/installer_step_finished_event.h"
#include "desktop/windows/installer/avro_stats/installer_step_starting_event.h"
#include "desktop/windows/installer/avro_stats/stats_settings.h"
#include "desktop/windows/installer/common/product/exit_codes.h"
#include "desktop/windows/installer/common/product/installer_constants.h"
#include "desktop/windows/installer/common/product/installer_features.h"
#include "desktop/windows/installer/common/product/installer_switches.h"
#include "desktop/windows/installer/common/product/product_constants.h"
#include "desktop/windows/installer/common/utils.h"
#include "desktop/windows/installer/common/win/win_api.h"
#include "desktop/windows/installer/common/win/win_api_process.h"
#include "desktop/windows/installer/installation/package_handler.h"
#include "desktop/windows/installer/installation_folder_details.h"
#include "desktop/windows/installer/interprocess_state.h"
#include "desktop/windows/installer/lzma_util/lzma_util.h"
#include "desktop/windows/installer/package_fetcher/additional_file_downloader_impl.h"
#include "desktop/windows/installer/package_fetcher/folder_preparer_impl.h"
#include "desktop/windows/installer/package_fetcher/main_package_downloader_impl.h"
#include "desktop/windows/installer/package_fetcher/package_fetch_sequencer_impl.h"
#include "desktop/windows/installer/package_fetcher/package_fetcher.h"
#include "desktop/windows/installer/package_fetcher/package_fetcher_delegate_proxy.h"
#include "desktop/windows/installer/package_fetcher/package_fetcher_switches.h"
#include "desktop/windows/installer/package_fetcher/package_metadata_retriever_impl.h"
#include "desktop/windows/installer/package_fetcher/package_version_checker_impl.h"
#include "desktop/windows/installer/pref_default_overrides_fetcher.h"
#include "desktop/windows/installer/runner/main_process_installer_runner.h"
#include "desktop/windows/installer/steps/copy_file_step.h"
#include "desktop/windows/installer/steps/move_file_step.h"
#include "desktop/windows/installer/tracking/server_tracking_blob.h"
#include "desktop/windows/installer/utils/display_scale.h"
#include "desktop/windows/installer/utils/downloadable_resources.h"
#include "desktop/windows/installer/utils/file_version_utils_impl.h"
#include "desktop/windows/installer/wininet/wininet_impl.h"

namespace velta {

namespace {

constexpr uint32_t kReinstallFailedResult = 25;

// The switches of this process that a reinstall run is given again.
constexpr const char* kReinstallCopiedSwitches[] = {
    kTestAvroServerSwitch,
    kInternalPackageServer,
    "local-stats-server",
    kLocalPrefDefaultOverridesServer,
    kServerTrackingDataSwitch,
    kServerTrackingBlobSwitch,
    kOtdSwitch,
};

// Steps whose every run would flood the statistics: the many file copies,
// the direct unpacking and the exact step "move_file".
bool IsUnreportedStep(const std::string& name) {
  return IsCopyFileStep(name) || IsDirectUnpackingStep(name) || IsMoveFileStep(name);
}

void SendStatsEvent(std::unique_ptr<InstallerStatsEvent> event) {
  GetAvroStatsSender()->SendAvroMessage(std::move(event));
}

}  // namespace

InstallerController::InstallerController(std::unique_ptr<MainProcessInstallerRunner> runner,
                                         Settings* settings,
                                         const FetchDelays& fetch_delays)
    : settings_(settings),
      runner_(std::move(runner)),
      fetch_delays_(fetch_delays),
      result_(kInstallerResultNoResult) {}

InstallerController::~InstallerController() {
  pref_overrides_fetcher_.reset();
  // The runner stops the backend if it still runs.
  runner_.reset();
  StopPackageFetcher();
}

uint32_t InstallerController::Start(PayloadManager* payload,
                                    const base::FilePath& download_folder,
                                    base::OnceClosure quit_closure) {
  quit_closure_ = std::move(quit_closure);
  no_payload_ = payload == nullptr;

  const InstallerMode mode = GetInstallerMode();
  switch (mode) {
    case InstallerMode::kInstall:
      must_fetch_package_ = !no_payload_;
      break;
    case InstallerMode::kFixDownloadableResources:
      must_fetch_package_ = true;
      break;
    case InstallerMode::kUninstall:
    case InstallerMode::kRegisterProtocolHandler:
      must_fetch_package_ = false;
      if (!no_payload_) {
        LOG(ERROR) << "The requested mode requires to be run inside an existing package, but is "
                      "not. The program may malfunction.";
      }
      break;
  }

  tracking_data_ = GetTrackingData()->Serialize();

  if (must_fetch_package_) {
    VLOG(1) << "Initializing controller with fetcher.";
    StartPackageFetcher(payload, download_folder);
  } else {
    VLOG(1) << "Initializing controller without fetcher.";
    base::FilePath package_folder;
    base::PathService::Get(base::DIR_EXE, &package_folder);
    InterprocessState::GetInstance()->SetPackageDir(package_folder);
    runner_->SetPackagePaths(package_folder, base::FilePath());
  }
  pref_overrides_fetcher_ = std::make_unique<PrefDefaultOverridesFetcher>(
      std::make_unique<WininetImpl>(this, nullptr, fetch_delays_.retry_delay));
  return 0;
}

void InstallerController::StartPackageFetcher(PayloadManager* payload,
                                              const base::FilePath& download_folder) {
  auto version_checker = std::make_unique<PackageVersionCheckerImpl>(
      std::make_unique<FileVersionUtilsImpl>(), std::make_unique<LzmaUtil>());
  auto folder_preparer = std::make_unique<FolderPreparerImpl>(
      download_folder, settings_->IsInstallAssistant(), base::Time::Now());
  const base::FilePath package_folder = folder_preparer->GetPackageFolder();
  const base::FilePath assistant_folder = folder_preparer->GetAssistantFolder();
  auto proxy = base::MakeRefCounted<PackageFetcherDelegateProxy>(this, this);

  fetcher_thread_ = std::make_unique<base::Thread>("Fetcher thread");
  fetcher_thread_->Start();

  base::FilePath own_executable;
  base::PathService::Get(base::FILE_EXE, &own_executable);
  PackageFetchSequencerImpl::Steps steps;
  steps.metadata_retriever =
      std::make_unique<PackageMetadataRetrieverImpl>(settings_->GetArchitecture());
  steps.main_package_downloader = std::make_unique<MainPackageDownloaderImpl>(
      own_executable, InterprocessState::GetInstance()->GetSessionGuid());
  steps.additional_file_downloader =
      std::make_unique<AdditionalFileDownloaderImpl>(own_executable);
  steps.folder_preparer = std::move(folder_preparer);
  steps.version_checker = std::move(version_checker);
  package_fetcher_ = std::make_unique<PackageFetcher>(
      std::make_unique<PackageFetchSequencerImpl>(std::move(steps),
                                                  settings_->IsInstallAssistant(), tracking_data_,
                                                  payload, proxy, fetch_delays_.retry_delay),
      fetcher_thread_->task_runner(), proxy, fetch_delays_.countdown_step);
  if (IsFeatureEnabled(kInstallerUseMinimalPackageFeature)) {
    package_fetcher_->SetUseMinimalPackage(
        ListResourcePacksForLocaleAndScales(settings_->GetLanguage(), GetSupportedScaleFactors()));
  }

  InterprocessState::GetInstance()->SetPackageDirPrefix(package_folder);
  runner_->SetPackagePaths(package_folder, assistant_folder);
}

void InstallerController::StopPackageFetcher() {
  // The fetcher's destructor hands the sequencer to the Fetcher thread, which
  // must still run to destroy it; stopping the thread then runs that task.
  package_fetcher_.reset();
  fetcher_thread_.reset();
}

void InstallerController::OnPackageFetcherStatusChanged(uint32_t status) {
  if (status == kPackageFetcherStarted && !package_path_.empty()) {
    VLOG(1) << "The fetch starts again: the package in " << package_path_.AsUTF8Unsafe()
            << " is no longer ready";
    package_path_.clear();
  }
}

void InstallerController::OnPackageReady(const base::FilePath& package_dir) {
  InterprocessState::GetInstance()->SetPackageDir(package_dir);
  package_path_ = package_dir;
}

void InstallerController::OnPackageFetcherError(uint32_t /*code*/,
                                                const std::string& message,
                                                const std::vector<FetchDetails>& details) {
  if (terminated_)
    return;
  SendStatsEvent(std::make_unique<ErrorEvent>("Fetcher error", 1));
  result_ = kInstallerResultPackageFetchFailed;
  error_detail_ = "Fetcher error: " + message;
  fetch_details_ = details;
}

void InstallerController::FetchPrefDefaultOverrides() {
  if (terminated_)
    return;
  const InstallOperation operation = settings_->GetOperation();
  if (operation != InstallOperation::kNewInstallation &&
      operation != InstallOperation::kOverExistingInstallation) {
    OnTrackingDataDone();
    return;
  }
  // The first request's completion lets the backend go on; a second one
  // would write the file again while the backend may be copying it.
  if (pref_overrides_requested_) {
    VLOG(2) << "Default prefs overrides already requested";
    return;
  }
  pref_overrides_requested_ = true;
  base::FilePath folder = package_path_;
  if (!fetcher_thread_)
    base::PathService::Get(base::DIR_EXE, &folder);
  std::string tracking = tracking_data_;
  if (tracking.empty())
    tracking = settings_->GetFolderDetails()->GetTrackingData();
  pref_overrides_fetcher_->Fetch(folder, tracking,
                                 base::BindOnce(&InstallerController::OnTrackingDataDone,
                                                weak_factory_.GetWeakPtr()));
}

void InstallerController::UseMinimalPackageForExistingInstallation() {
  if (!package_fetcher_ || !AreSettingsObtained())
    return;
  const InstallationFolderDetails* details = settings_->GetFolderDetails();
  const InstallationStatus* existing = details->GetExistingInstallation();
  if (!existing)
    return;
  package_fetcher_->SetUseMinimalPackage(ListMissingDownloadableResources(
      details->GetPath().Append(base::UTF8ToWide(existing->version))));
  package_fetcher_->FetchAdditionalFilesOnly();
  package_fetcher_->Restart();
}

void InstallerController::OnTrackingDataDone() {
  VLOG(2) << "Tracking data actions done: package complete.";
  runner_->OnPackageReady();
}

void InstallerController::OnStepStarting(const std::string& name) {
  if (IsUnreportedStep(name))
    return;
  SendStatsEvent(std::make_unique<InstallerStepStartingEvent>(name, 1));
}

void InstallerController::OnStepFinished(const std::string& name, int attempt, int /*finished*/) {
  if (IsUnreportedStep(name))
    return;
  SendStatsEvent(
      std::make_unique<InstallerStepFinishedEvent>(name, static_cast<uint32_t>(attempt), 1));
}

void InstallerController::OnError(int code, const std::wstring& /*text*/,
                                  const std::string& detail) {
  LOG(ERROR) << "Installer error: " << detail;
  if (terminated_ && !restarting_) {
    // The run has ended and its result was reported: it stays.
    VLOG(1) << "The controller has terminated: the result stays " << result_;
    return;
  }
  SendStatsEvent(std::make_unique<ErrorEvent>(detail, 1));
  error_detail_ = detail;
  result_ = static_cast<uint32_t>(code);
}

void InstallerController::OnSuccess() {
  VLOG(2) << "Installer succeeded";
  if (terminated_)
    return;
  result_ = kInstallerResultSuccess;
}

void InstallerController::OnBackendProcessTerminated(const uint32_t& backend_result) {
  if (terminated_)
    return;
  // 13 and 15 say only that the backend ended badly: the error it reported
  // over the mailslot (or 20) says more.
  if (!IsMeaningfulInstallerResult(backend_result))
    return;
  result_ = backend_result;
}

bool InstallerController::AreSettingsObtained() const {
  return !settings_->IsFetchingFolderDetails();
}

void InstallerController::OnStatsSettingChanged() {
  if (AreSettingsObtained())
    GetAvroStatsSender()->SetTrafficAllowed(settings_->IsInstallerStatsEnabled());
}

void InstallerController::OnLanguageChanged() {
  if (package_fetcher_ && IsFeatureEnabled(kInstallerUseMinimalPackageFeature)) {
    package_fetcher_->SetUseMinimalPackage(
        ListResourcePacksForLocaleAndScales(settings_->GetLanguage(), GetSupportedScaleFactors()));
  }
}

void InstallerController::OnPathChanged() {
  GetAvroStatsSender()->SetTrafficAllowed(settings_->IsInstallerStatsEnabled());
}

void InstallerController::Terminate() {
  LOG(INFO) << "Terminating the controller";
  if (terminated_) {
    VLOG(2) << "Controller already terminated";
    return;
  }
  terminated_ = true;
  pref_overrides_fetcher_.reset();
  StopPackageFetcher();
  runner_->Stop();

  if (result_ != kInstallerResultSuccess && IsAutoupdateRun()) {
    auto event = std::make_unique<AutoupdateFailedEvent>(
        error_detail_ + ", Error type: " + base::NumberToString(result_),
        fetch_details_, settings_->GetStatsRecord(), GetProductVersion(),
        GetChannelName(), 0);
    SendStatsEvent(std::move(event));
  }

  restarting_ = true;
  const bool restarted = settings_->IsReinstall() && StartInstallerAgain();
  restarting_ = false;
  if (!restarted)
    SendStatsEvent(std::make_unique<ControllerQuittingEvent>(result_ == 0, 1));

  GetAvroStatsSender()->SendPendingAndShutdown(std::move(quit_closure_));
}

bool InstallerController::StartInstallerAgain() {
  base::FilePath program;
  const InstallationFolderDetails* details = settings_->GetFolderDetails();
  const InstallationStatus* existing = details->GetExistingInstallation();
  if (existing) {
    program = details->GetPath()
                  .Append(base::UTF8ToWide(existing->version))
                  .Append(kPackageInstallerFileName);
  } else {
    base::PathService::Get(base::FILE_EXE, &program);
  }

  base::CommandLine command_line(program);
  command_line.AppendSwitchASCII(kSessionGuidSwitch,
                                 InterprocessState::GetInstance()->GetSessionGuid());
  command_line.AppendSwitch(kRunImmediatelySwitch);
  command_line.AppendSwitchASCII(kUiThreadIdSwitch,
                                 base::NumberToString(WinApi::GetInstance()->GetCurrentThreadId()));
  command_line.AppendSwitchPath(kInstallFolderSwitch, settings_->GetInstallFolder());
  const base::CommandLine& own = *base::CommandLine::ForCurrentProcess();
  for (const char* name : kReinstallCopiedSwitches) {
    if (own.HasSwitch(name))
      command_line.AppendSwitchNative(name, own.GetSwitchValueNative(name));
  }

  std::unique_ptr<WinApiProcess> process =
      WinApi::GetInstance()->LaunchProcess(command_line, base::LaunchOptions());
  if (process && process->IsValid())
    return true;
  const std::string detail = "Failed to launch reinstall process";
  OnError(kReinstallFailedResult, std::wstring(), detail);
  LOG(ERROR) << detail;
  return false;
}

}  // namespace velta
