// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/installer_controller.h"

#include <utility>

#include "base/base_paths.h"
#include "base/bind.h"
#include "base/command_line.h"
#include "base/logging.h"
#include "base/path_service.h"
#include "base/process/launch.h"
#include "base/strings/string_number_conversions.h"
#include "base/strings/utf_string_conversions.h"
#include "desktop/windows/installer/avro_stats/autoupdate_failed_event.h"
#include "desktop/windows/installer/avro_stats/avro_stats_sender.h"
#include "desktop/windows/installer/avro_stats/controller_quitting_event.h"
#include "desktop/windows/installer/avro_stats/error_event.h"
#include "desktop/windows/installer/avro_stats/installer_step_finished_event.h"
#include "desktop/windows/installer/avro_stats/installer_step_starting_event.h"
#include "desktop/windows/installer/avro_stats/stats_settings.h"
#include "desktop/windows/installer/common/exit_codes.h"
#include "desktop/windows/installer/common/installer_constants.h"
#include "desktop/windows/installer/common/installer_switches.h"
#include "desktop/windows/installer/common/product_constants.h"
#include "desktop/windows/installer/common/win_api.h"
#include "desktop/windows/installer/common/win_api_process.h"
#include "desktop/windows/installer/installation_folder_details.h"
#include "desktop/windows/installer/interprocess_state.h"
#include "desktop/windows/installer/runner/main_process_installer_runner.h"
#include "desktop/windows/installer/server_tracking_blob.h"

namespace velta {

namespace {

constexpr uint32_t kReinstallFailedResult = 25;

// The switches of this process that a reinstall run is given again.
constexpr const char* kReinstallCopiedSwitches[] = {
    "test-avro-srv",
    "internal-package-server",
    "local-stats-server",
    "local-pref-default-overrides-server",
    kServerTrackingDataSwitch,
    kServerTrackingBlobSwitch,
    kOtdSwitch,
};

// Steps whose every run would flood the statistics: the many file copies,
// the direct unpacking and the exact step "move_file".
bool IsUnreportedStep(const std::string& name) {
  return name.find("copy_file") != std::string::npos || name == "direct_unpacking" ||
         name == "move_file";
}

void SendStatsEvent(std::unique_ptr<InstallerStatsEvent> event) {
  GetAvroStatsSender()->SendAvroMessage(std::move(event));
}

}  // namespace

InstallerController::InstallerController(std::unique_ptr<MainProcessInstallerRunner> runner,
                                         Settings* settings)
    : settings_(settings), runner_(std::move(runner)), result_(kInstallerResultNoResult) {}

InstallerController::~InstallerController() {
  // The runner stops the backend if it still runs.
  runner_.reset();
}

uint32_t InstallerController::Start(PayloadManager* payload,
                                    const base::FilePath& /*download_folder*/,
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
    // TODO(package fetcher): build the fetch pipeline on the "Fetcher
    // thread" here once the package fetcher is part of the library; until
    // then the derived controllers report the fetch as failed (result 19).
    LOG(ERROR) << "The package must be fetched, but the package fetcher is not part of this "
                  "build";
  } else {
    VLOG(1) << "Initializing controller without fetcher.";
    base::FilePath package_folder;
    base::PathService::Get(base::DIR_EXE, &package_folder);
    InterprocessState::GetInstance()->SetPackageDir(package_folder);
    runner_->SetPackagePaths(package_folder, base::FilePath());
  }
  return 0;
}

void InstallerController::OnPackageReady(const base::FilePath& package_dir) {
  InterprocessState::GetInstance()->SetPackageDir(package_dir);
  package_path_ = package_dir;
}

void InstallerController::OnPackageFetcherError(const std::string& message) {
  if (terminated_)
    return;
  SendStatsEvent(std::make_unique<ErrorEvent>("Fetcher error", 1));
  result_ = kInstallerResultPackageFetchFailed;
  error_detail_ = "Fetcher error: " + message;
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
  // TODO(package fetcher): fetch the overrides into the package folder with
  // the PrefDefaultOverridesFetcher once it is part of the library, and go
  // on from its completion. Until then the browser starts with its built-in
  // defaults.
  LOG(WARNING) << "Preference default overrides are not fetched: the fetcher is not part of "
                  "this build";
  OnTrackingDataDone();
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
  if (backend_result == kInstallerResultChildFailed ||
      backend_result == kInstallerResultChildUnknownExit) {
    return;
  }
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
  // TODO(package fetcher): hand the fetcher the resource packs of the new
  // language when the minimal package is used.
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
  runner_->Stop();

  if (result_ != kInstallerResultSuccess && IsAutoupdateRun()) {
    auto event = std::make_unique<AutoupdateFailedEvent>(
        error_detail_ + ", Error type: " + base::NumberToString(result_),
        std::vector<FetchDetails>(), settings_->GetStatsRecord(), GetProductVersion(),
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
