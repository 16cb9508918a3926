// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/silent_installer_controller.h"

#include <windows.h>

#include <utility>

#include "base/bind.h"
#include "base/command_line.h"
#include "base/location.h"
#include "base/logging.h"
#include "base/strings/utf_string_conversions.h"
#include "base/threading/thread_task_runner_handle.h"
#include "base/time/time.h"
#include "base/win/windows_version.h"
#include "desktop/windows/installer/avro_stats/avro_stats_sender.h"
#include "desktop/windows/installer/avro_stats/controller_launched_event.h"
#include "desktop/windows/installer/avro_stats/settings_accepted_event.h"
#include "desktop/windows/installer/common/installer_error.h"
#include "desktop/windows/installer/common/product/architecture_names.h"
#include "desktop/windows/installer/common/product/installer_switches.h"
#include "desktop/windows/installer/common/win/security_utils.h"
#include "desktop/windows/installer/common/win/win_api.h"
#include "desktop/windows/installer/installation_folder_details.h"
#include "desktop/windows/installer/interprocess_state.h"
#include "desktop/windows/installer/package_fetcher/package_fetcher.h"
#include "desktop/windows/installer/package_fetcher/payload_manager.h"
#include "desktop/windows/installer/runner/main_process_installer_runner.h"

namespace velta {

namespace {

// How long the controller waits after the backend ended before it ends the
// run, so that reports still on their way are heard.
constexpr base::TimeDelta kTerminateDelay = base::TimeDelta::FromSeconds(1);

}  // namespace

SilentInstallerController::SilentInstallerController(
    std::unique_ptr<MainProcessInstallerRunner> runner,
    Settings* settings,
    const FetchDelays& fetch_delays)
    : InstallerController(std::move(runner), settings, fetch_delays) {}

SilentInstallerController::~SilentInstallerController() {
  settings()->RemoveObserver(this);
  runner()->RemoveObserver(this);
}

uint32_t SilentInstallerController::Start(PayloadManager* payload,
                                          const base::FilePath& download_folder,
                                          base::OnceClosure quit_closure) {
  settings()->AddObserver(this);
  const uint32_t base_result =
      InstallerController::Start(payload, download_folder, std::move(quit_closure));
  if (base_result != 0)
    return base_result;

  if (!package_fetcher())
    package_available_ = true;
  else if (GetInstallerMode() != InstallerMode::kFixDownloadableResources)
    package_fetcher()->Restart();
  else
    UseMinimalPackageForExistingInstallation();

  GetAvroStatsSender()->SendAvroMessage(std::make_unique<ControllerLaunchedEvent>(
      payload ? GetPayloadTypeName(payload->GetPayloadType()) : std::string("none"),
      tracking_data(), /*run_immediately=*/true, IsAutoupdateRun(), /*silent=*/true,
      base::WideToUTF8(base::CommandLine::ForCurrentProcess()->GetCommandLineString()),
      ArchitectureToLowerString(settings()->GetArchitecture()), 1));

  runner()->AddObserver(this);

  if (!settings()->IsFetchingFolderDetails()) {
    base::ThreadTaskRunnerHandle::Get()->PostTask(
        FROM_HERE, base::BindOnce(&SilentInstallerController::OnPathChanged,
                                  weak_factory_.GetWeakPtr()));
  }
  return 0;
}

void SilentInstallerController::OnPathChanged() {
  // A fetch that failed ended the run; the settings may still report.
  if (terminated())
    return;
  // A folder whose details are still being gathered is reported again once
  // they are in; the runner must never start with settings still changing.
  if (settings()->IsFetchingFolderDetails())
    return;
  InstallerController::OnPathChanged();

  const bool all_users = settings()->IsAllUsers();
  const bool needs_elevation = SecurityUtils::GetInstance()->NeedsElevation(
      all_users, settings()->GetFolderDetails()->HasWriteAccess());
  if (needs_elevation && all_users) {
    VLOG(2) << "Cannot elevate in when silent. Switching to current user mode.";
    settings()->SetMode(InstallMode::kCurrentUser);
    settings()->SetInstallFolder(
        settings()
            ->GetDefaultInstallFolder(Settings::kRegistrySource | Settings::kStandardFolderSource)
            .value());
    // The settings report the folder again once its details are in. When
    // the folder did not change they gather nothing: decide again now.
    if (!settings()->IsFetchingFolderDetails()) {
      base::ThreadTaskRunnerHandle::Get()->PostTask(
          FROM_HERE, base::BindOnce(&SilentInstallerController::OnPathChanged,
                                    weak_factory_.GetWeakPtr()));
    }
    return;
  }
  if (needs_elevation && !IsAutoupdateRun()) {
    const base::FilePath default_folder = settings()->GetDefaultInstallFolder(
        Settings::kCommandLineSource | Settings::kStandardFolderSource);
    if (default_folder != settings()->GetInstallFolder()) {
      settings()->SetInstallFolder(default_folder.value());
      return;
    }
  }
  if (GetInstallerMode() == InstallerMode::kFixDownloadableResources)
    UseMinimalPackageForExistingInstallation();
  VLOG(1) << "Settings obtained. Starting.";
  RunInstallation();
}

void SilentInstallerController::RunInstallation() {
  GetAvroStatsSender()->SendAvroMessage(
      std::make_unique<SettingsAcceptedEvent>(settings()->GetStatsRecord(), 1));

  if (WinApi::GetInstance()->GetWindowsVersion() < base::win::VERSION_WIN7) {
    OnError(1, std::wstring(),
            "This version of Velta doesn't support windows versions prior to Windows 7");
    return;
  }
  if (!::IsProcessorFeaturePresent(PF_XMMI64_INSTRUCTIONS_AVAILABLE)) {
    OnError(1, std::wstring(), "SSE2 not supported by the computer");
    return;
  }
  if (package_available_) {
    VLOG(2) << "Got tracking data from package.";
    FetchPrefDefaultOverrides();
  }
  VLOG(2) << "Preparing to run the installer.";
  if (runner()->Run(settings()) == 0)
    return;
  uint32_t code = 0;
  std::string detail;
  std::wstring text;
  GetInstallerError(&code, &detail, &text);
  VLOG(1) << "Failed to run the backend. Show whatever error was reported";
  OnError(static_cast<int>(code), text, detail);
}

void SilentInstallerController::OnPackageReady(const base::FilePath& package_dir) {
  InstallerController::OnPackageReady(package_dir);
  package_available_ = true;
  if (!settings()->IsFetchingFolderDetails()) {
    VLOG(2) << "Got tracking data from status.";
    FetchPrefDefaultOverrides();
  }
}

void SilentInstallerController::OnPackageFetcherError(uint32_t code,
                                                      const std::string& message,
                                                      const std::vector<FetchDetails>& details) {
  if (terminated())
    return;
  if (package_fetcher() && package_fetcher()->Retry())
    return;
  VLOG(1) << "Package fetcher failed.";
  InstallerController::OnPackageFetcherError(code, message, details);
  Terminate();
}

void SilentInstallerController::RunUICallbackAndPostReply(
    UiTask /*ui_task*/,
    scoped_refptr<base::SingleThreadTaskRunner> reply_runner,
    Reply reply) {
  LOG(ERROR) << "Cannot display UI requested by fetcher when running silently";
  reply_runner->PostTask(FROM_HERE, base::BindOnce(std::move(reply), 1u));
}

void SilentInstallerController::OnError(int code, const std::wstring& text,
                                        const std::string& detail) {
  InstallerController::OnError(code, text, detail);
  VLOG(2) << "Installer error: terminating";
  Terminate();
}

void SilentInstallerController::OnSuccess() {
  InstallerController::OnSuccess();
  Terminate();
}

void SilentInstallerController::OnBackendProcessTerminated(const uint32_t& backend_result) {
  InstallerController::OnBackendProcessTerminated(backend_result);
  VLOG(2) << "Installer ended. Error is: " << result() << ". terminating";
  base::ThreadTaskRunnerHandle::Get()->PostDelayedTask(
      FROM_HERE,
      base::BindOnce(&SilentInstallerController::Terminate, weak_factory_.GetWeakPtr()),
      kTerminateDelay);
}

}  // namespace velta
