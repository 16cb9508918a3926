// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/ui/installer_ui_controller.h"

#include <windows.h>

#include <utility>

#include "base/bind.h"
#include "base/command_line.h"
#include "base/location.h"
#include "base/logging.h"
#include "base/strings/stringprintf.h"
#include "base/strings/utf_string_conversions.h"
#include "base/threading/thread_task_runner_handle.h"
#include "base/time/time.h"
#include "base/win/windows_version.h"
#include "desktop/windows/installer/avro_stats/avro_stats_sender.h"
#include "desktop/windows/installer/avro_stats/controller_launched_event.h"
#include "desktop/windows/installer/avro_stats/initial_settings_gathered_event.h"
#include "desktop/windows/installer/avro_stats/installation_cancelled_event.h"
#include "desktop/windows/installer/avro_stats/settings_accepted_event.h"
#include "desktop/windows/installer/common/installer_error.h"
#include "desktop/windows/installer/common/product/architecture_names.h"
#include "desktop/windows/installer/common/product/named_urls.h"
#include "desktop/windows/installer/common/product/product_constants.h"
#include "desktop/windows/installer/common/win/security_utils.h"
#include "desktop/windows/installer/common/win/win_api.h"
#include "desktop/windows/installer/installation/installation.h"
#include "desktop/windows/installer/installation_folder_details.h"
#include "desktop/windows/installer/interprocess_state.h"
#include "desktop/windows/installer/package_fetcher/package_fetcher.h"
#include "desktop/windows/installer/package_fetcher/package_fetcher_delegate.h"
#include "desktop/windows/installer/package_fetcher/payload_manager.h"
#include "desktop/windows/installer/runner/main_process_installer_runner.h"
#include "desktop/windows/installer/settings.h"
#include "desktop/windows/installer/ui/installer_window_impl.h"
#include "desktop/windows/installer/ui/progress_calculator.h"
#include "desktop/windows/installer/ui/ui_lock.h"
#include "desktop/windows/installer/ui/web_page.h"
#include "desktop/windows/l10n_handler/l10n_handler.h"
#include "host/resource_ids.h"

namespace velta {

namespace {

// Start's answer when another installer window of the session was brought
// to the front (exit code 122).
constexpr uint32_t kAnotherWindowResult = 22;
// The system's own browser, for pages the installed browser must not open.
constexpr wchar_t kSystemBrowser[] = L"%ProgramFiles%\\Internet Explorer\\iexplore.exe";

// What a UI request of the fetcher gets when it will never run.
constexpr uint32_t kCancelledReply = ERROR_CANCELLED;

// Progress phases this controller sets.
constexpr uint32_t kPhasePackageToDownload = 0;
constexpr uint32_t kPhaseMainPackage = 1;
constexpr uint32_t kPhaseAdditionalFiles = 3;
constexpr uint32_t kPhasePackageComplete = 4;
constexpr uint32_t kPhasePackageHandedOver = 5;
constexpr uint32_t kPhaseTrackingDataHandled = 7;
constexpr uint32_t kPhaseFetchRetryWait = 8;

void SendStatsEvent(std::unique_ptr<InstallerStatsEvent> event) {
  GetAvroStatsSender()->SendAvroMessage(std::move(event));
}

}  // namespace

uint32_t GetErrorMessageId(uint32_t code) {
  static constexpr uint32_t kIds[] = {
      0,                             // 0
      IDS_ERROR_INSTALL,             // 1
      IDS_ERROR_UNINSTALL,           // 2
      IDS_ERROR_LOCATION,            // 3
      IDS_INSUFFICIENT_SPACE,        // 4
      IDS_ERROR_INSTALL,             // 5
      IDS_ERROR_FOLDER_NOT_CREATED,  // 6
      IDS_ERROR_PRIVILEGES,          // 7
      IDS_ERROR_ELEVATION,           // 8
      IDS_ERROR_BROWSER_RUNNING,     // 9
      IDS_ERROR_COPY_FILE,           // 10
      IDS_ERROR_FOLDER_IN_USE,       // 11
      IDS_ERROR_FOLDER_IN_USE,       // 12
      IDS_ERROR_INSTALL,             // 13
      IDS_ERROR_INSTALL,             // 14
      IDS_ERROR_INSTALL,             // 15
      IDS_ERROR_INSTALL,             // 16
      IDS_ERROR_INSTALL,             // 17
      IDS_ERROR_INSTALL,             // 18
      IDS_ERROR_INSTALL,             // 19
      IDS_ERROR_INSTALL,             // 20
      IDS_ERROR_INSTALL,             // 21
      0,                             // 22
      IDS_ERROR_INSTALL,             // 23
      IDS_ERROR_INSTALL,             // 24
      IDS_ERROR_REINSTALL_LAUNCH,    // 25
      IDS_ERROR_INSTALL,             // 26
  };
  return code < std::size(kIds) ? kIds[code] : 0;
}

InstallerUIController::InstallerUIController(
    std::unique_ptr<MainProcessInstallerRunner> runner,
    std::unique_ptr<ProgressCalculator> progress_calculator,
    InstallerProgress* progress,
    Settings* settings,
    const FetchDelays& fetch_delays)
    : InstallerController(std::move(runner), settings, fetch_delays),
      progress_calculator_(std::move(progress_calculator)),
      progress_(progress) {
  progress_->AddObserver(this);
}

InstallerUIController::~InstallerUIController() {
  progress_->RemoveObserver(this);
  window_.reset();
  lock_file_.Close();
  pending_error_.reset();
  if (pending_fetcher_callback_) {
    CancelUICallback(std::move(*pending_fetcher_callback_));
    pending_fetcher_callback_.reset();
  }
  progress_calculator_.reset();
}

uint32_t InstallerUIController::Start(PayloadManager* payload,
                                      const base::FilePath& download_folder,
                                      base::OnceClosure quit_closure) {
  const uint32_t owner = GetUiLock(&lock_file_);
  if (owner != 0 && owner != WinApi::GetInstance()->GetCurrentThreadId() &&
      owner != InterprocessState::GetInstance()->GetUiThreadId()) {
    SwitchToUiThreadWindow(owner);
    return kAnotherWindowResult;
  }

  OnStatsSettingChanged();
  const uint32_t result =
      InstallerController::Start(payload, download_folder, std::move(quit_closure));
  if (result != 0)
    return result;

  SendStatsEvent(std::make_unique<ControllerLaunchedEvent>(
      payload ? GetPayloadTypeName(payload->GetPayloadType()) : std::string("none"),
      tracking_data(), settings()->ShouldRunImmediately(), IsAutoupdateRun(), IsSilentRun(),
      base::WideToUTF8(base::CommandLine::ForCurrentProcess()->GetCommandLineString()),
      ArchitectureToLowerString(settings()->GetArchitecture()), 1));

  // The controller outlives the run loop.
  base::ThreadTaskRunnerHandle::Get()->PostTask(
      FROM_HERE, base::BindOnce(&InstallerUIController::Init, base::Unretained(this)));
  return 0;
}

void InstallerUIController::Init() {
  LOG(INFO) << "Initializing installer UI";
  settings()->AddObserver(this);
  runner()->AddObserver(this);

  window_ = CreateInstallerWindow();
  if (!window_) {
    const std::string detail = "Could not initialize installer window";
    OnError(1, std::wstring(), detail);
    LOG(ERROR) << detail;
    // Nothing could ever show the error: the run ends with it.
    Terminate();
    return;
  }
  window_->AddObserver(this);
  if (!must_fetch_package())
    progress_->SetPhase(kPhasePackageComplete);

  if (!::IsProcessorFeaturePresent(PF_XMMI64_INSTRUCTIONS_AVAILABLE)) {
    LOG(ERROR) << "SSE2 not supported by the computer";
    window_->ShowErrorMessageBox(GetL10nString(IDS_ERROR_NO_SSE2));
    return;
  }

  if (package_fetcher()) {
    if (GetInstallerMode() == InstallerMode::kFixDownloadableResources) {
      StartRepairFetch();
    } else {
      LOG(INFO) << "Starting the package fetcher";
      package_fetcher()->Restart();
    }
  }

  if (!settings()->IsFetchingFolderDetails())
    OnPathChanged();
}

void InstallerUIController::OnPathChanged() {
  VLOG(2) << "New status obtained";
  InstallerController::OnPathChanged();
  if (progress_->GetPhase() == kPhaseTrackingDataHandled && tracking_data().empty()) {
    LOG(INFO) << "Need to handle tracking data from new path";
    progress_->SetPhase(kPhasePackageComplete);
  }
  if (settings()->ShouldRunImmediately() || accept_pending_) {
    LOG(INFO) << "runimmediately set or Accept already clicked";
    accept_pending_ = false;
    base::ThreadTaskRunnerHandle::Get()->PostTask(
        FROM_HERE,
        base::BindOnce(&InstallerUIController::OnAcceptClicked, weak_factory_.GetWeakPtr()));
  }
  // A repair needs the folder's installation to know what is missing: the
  // status gathered after Init is the first chance.
  if (package_fetcher() && GetInstallerMode() == InstallerMode::kFixDownloadableResources)
    StartRepairFetch();
  if (!initial_settings_sent_) {
    initial_settings_sent_ = true;
    SendStatsEvent(std::make_unique<InitialSettingsGatheredEvent>(settings()->GetStatsRecord(), 1));
  }
}

void InstallerUIController::OnAcceptClicked() {
  LOG(INFO) << "Accept clicked.";
  if (installation_started_) {
    LOG(WARNING) << "Installation already in progress.";
    return;
  }
  if (settings()->IsFetchingFolderDetails()) {
    LOG(INFO) << "Still waiting for status";
    accept_pending_ = true;
    return;
  }
  if (progress_->GetPhase() == kPhasePackageComplete) {
    LOG(INFO) << "Tracking data is ready for handling";
    FetchPrefDefaultOverrides();
  }
  SendStatsEvent(std::make_unique<SettingsAcceptedEvent>(settings()->GetStatsRecord(), 1));

  if (WinApi::GetInstance()->GetWindowsVersion() < base::win::VERSION_WIN7) {
    window_->DisplayError(
        GetL10nStringWithOneArg(IDS_ERROR_SYSTEM_TOO_OLD, GetL10nString(IDS_BUTTON_FULL_INSTALLER)),
        0, true, "This version of Velta doesn't support windows versions prior to Windows 7");
    return;
  }

  settings()->RemoveObserver(this);
  installation_started_ = true;
  if (pending_error_) {
    LOG(INFO) << "An error is pending. Show it first.";
    HandlePendingError();
    return;
  }

  if (runner()->Run(settings()) != 0) {
    uint32_t code = 0;
    std::string detail;
    std::wstring text;
    GetInstallerError(&code, &detail, &text);
    LOG(ERROR) << "Failed to run the backend. Show whatever error was reported";
    OnError(static_cast<int>(code), text, detail);
    HandlePendingError();
    return;
  }
  if (pending_fetcher_callback_) {
    LOG(INFO) << "Running pending fetcher callback.";
    PendingUICallback request = std::move(*pending_fetcher_callback_);
    pending_fetcher_callback_.reset();
    DoRunUICallbackAndPostReply(std::move(request));
  }
  if (fetcher_gave_up_ && package_fetcher()) {
    LOG(INFO) << "Restarting fetching after background tries failed.";
    fetcher_gave_up_ = false;
    progress_->SetPhase(kPhasePackageToDownload);
    package_fetcher()->Restart();
  }
  window_->ShowInstallationProgress();
}

void InstallerUIController::OnRetryClicked() {
  accept_pending_ = true;
  settings()->RefreshFolderDetails();
}

void InstallerUIController::OnCancelClicked() {
  if (!settings()->IsReinstall())
    SendStatsEvent(std::make_unique<InstallationCancelledEvent>(1, 1));
  Terminate();
}

void InstallerUIController::ObtainFullPackage() {
  LOG(INFO) << "Obtaining full package";
  std::string url = GetNamedUrl("download_full_windows");
  if (GetBuildStream() != Stream::kGranite) {
    url += base::StringPrintf("&product=%s%%20%s", GetBrandName().c_str(),
                              GetChannelName().c_str());
  }
  // A browser being replaced that handles "http" itself would be asked for
  // its own replacement: the system's browser opens the page instead.
  std::unique_ptr<Installation> installation =
      Installation::CreateForFolder(settings()->GetInstallFolder());
  if (installation && installation->IsDefaultHandlerFor(L"http")) {
    LOG(INFO) << "Downloading full package with IE";
    OpenWebPageWithProgram(kSystemBrowser, base::UTF8ToWide(url));
  } else {
    LOG(INFO) << "Downloading full package with default browser";
    OpenWebPage(base::UTF8ToWide(url));
  }
  SendStatsEvent(std::make_unique<InstallationCancelledEvent>(2, 1));
  Terminate();
}

void InstallerUIController::OnError(int code, const std::wstring& text, const std::string& detail) {
  InstallerController::OnError(code, text, detail);
  ReportError({GetErrorMessageId(static_cast<uint32_t>(code)), text, detail, false});
}

void InstallerUIController::ReportError(ErrorRecord record) {
  LOG(INFO) << "Reporting error " << record.message_id;
  pending_error_ = std::move(record);
  runner()->Stop();
}

void InstallerUIController::OnBackendProcessTerminated(const uint32_t& result) {
  LOG(INFO) << "Installer termination reported";
  // A backend stopped for an error of this process (the fetch failed) may
  // well end with 0: the error stays the run's result and is shown.
  if (result != 0 || !pending_error_)
    InstallerController::OnBackendProcessTerminated(result);
  if (terminated()) {
    VLOG(2) << "UI already terminated";
    return;
  }
  if (result == 0 && !pending_error_) {
    LOG(INFO) << "Installer terminated successfully. Finishing.";
    Terminate();
    return;
  }
  if (!pending_error_) {
    const std::string detail = GetInstallerMode() == InstallerMode::kUninstall
                                   ? "Unreported uninstaller error."
                                   : "Unreported installer error.";
    OnError(static_cast<int>(result), std::wstring(), detail);
    LOG(ERROR) << detail;
  }
  base::ThreadTaskRunnerHandle::Get()->PostDelayedTask(
      FROM_HERE,
      base::BindOnce(&InstallerUIController::HandlePendingError, weak_factory_.GetWeakPtr()),
      base::TimeDelta::FromMilliseconds(100));
}

void InstallerUIController::HandlePendingError() {
  LOG(INFO) << "Handling pending error";
  installation_started_ = false;
  settings()->SetEditable(true);
  settings()->AddObserver(this);
  if (OfferCurrentUserInstall())
    return;
  if (!pending_error_ || !window_)
    return;

  const bool offer_full_package =
      error_shown_before_ && !no_payload() &&
      (progress_->GetPhase() < 2 || package_will_be_downloaded_);
  error_shown_before_ = true;
  const ErrorRecord record = std::move(*pending_error_);
  pending_error_.reset();
  window_->DisplayError(GetL10nStringWithOneArg(record.message_id, record.message),
                        record.fetcher_error ? 1 : 0, offer_full_package, record.detail);
}

bool InstallerUIController::OfferCurrentUserInstall() {
  if (!pending_error_ || pending_error_->message_id != IDS_ERROR_ELEVATION ||
      settings()->GetOperation() != InstallOperation::kNewInstallation ||
      !settings()->IsAllUsers()) {
    return false;
  }
  const base::FilePath folder = settings()->GetInstallFolder();
  const bool is_default = base::FilePath::CompareEqualIgnoreCase(
      folder.value(), settings()->GetDefaultInstallFolder(3).value());
  const InstallationFolderDetails* details = settings()->GetFolderDetails();
  const bool writable = details && details->HasWriteAccess();
  if (!is_default && !writable)
    return false;

  LOG(INFO) << "Offering the user to switch to a Current User install";
  settings()->SetAllUsers(false);
  if (is_default && SecurityUtils::GetInstance()->NeedsElevation(false, writable))
    settings()->SetInstallFolder(settings()->GetDefaultInstallFolder(1).value());
  pending_error_.reset();
  OnAcceptClicked();
  return true;
}

void InstallerUIController::RunUICallbackAndPostReply(
    UICallback ui_callback,
    scoped_refptr<base::SingleThreadTaskRunner> reply_runner,
    ReplyCallback reply) {
  LOG(INFO) << "Obtained UI callback request from fetcher";
  PendingUICallback request{std::move(ui_callback), std::move(reply_runner), std::move(reply)};
  if (terminated()) {
    LOG(INFO) << "UI has been terminated already.";
    CancelUICallback(std::move(request));
    return;
  }
  if (!installation_started_ || pending_error_) {
    LOG(INFO) << "Store callback information for later.";
    // The request it replaces would otherwise wait for a reply forever.
    if (pending_fetcher_callback_)
      CancelUICallback(std::move(*pending_fetcher_callback_));
    pending_fetcher_callback_ = std::move(request);
    return;
  }
  LOG(INFO) << "Run the callback at once.";
  DoRunUICallbackAndPostReply(std::move(request));
}

void InstallerUIController::DoRunUICallbackAndPostReply(PendingUICallback request) {
  const uint32_t result =
      std::move(request.ui_callback).Run(window_ ? window_->GetHwnd() : nullptr);
  request.reply_runner->PostTask(FROM_HERE, base::BindOnce(std::move(request.reply), result));
}

// static
void InstallerUIController::CancelUICallback(PendingUICallback request) {
  request.reply_runner->PostTask(FROM_HERE,
                                 base::BindOnce(std::move(request.reply), kCancelledReply));
}

void InstallerUIController::OnTrackingDataDone() {
  InstallerController::OnTrackingDataDone();
  progress_->SetPhase(kPhasePackageHandedOver);
}

void InstallerUIController::StartRepairFetch() {
  if (repair_fetch_started_ || settings()->IsFetchingFolderDetails())
    return;
  repair_fetch_started_ = true;
  UseMinimalPackageForExistingInstallation();
}

void InstallerUIController::OnPackageFetcherStatusChanged(uint32_t status) {
  InstallerController::OnPackageFetcherStatusChanged(status);
  switch (status) {
    case kPackageFetcherStarted:
      // A restarted fetch replaces the package reported ready: Accept must
      // wait for the new one.
      if (progress_->GetPhase() == kPhasePackageComplete)
        progress_->SetPhase(kPhasePackageToDownload);
      break;
    case kPackageFetcherRetryPending:
      progress_->SetPhase(kPhaseFetchRetryWait);
      break;
    case kPackageFetcherFetchingMetadata:
      VLOG(2) << "Package will be downloaded.";
      package_will_be_downloaded_ = true;
      progress_->SetPhase(kPhasePackageToDownload);
      break;
    case kPackageFetcherFetchingMainPackage:
      progress_->SetPhase(kPhaseMainPackage);
      break;
    case kPackageFetcherFetchingAdditionalFiles:
      progress_->SetPhase(kPhaseAdditionalFiles);
      break;
    default:
      break;
  }
}

void InstallerUIController::SetTotalProgress(uint32_t total) {
  progress_->NotifyTotalSteps(total);
}

void InstallerUIController::SetCurrentProgress(uint32_t current) {
  progress_->NotifyStepsFinished(current);
}

void InstallerUIController::OnPackageFetcherError(uint32_t code,
                                                  const std::string& detail,
                                                  const std::vector<FetchDetails>& details) {
  LOG(INFO) << "Package fetcher failed.";
  if (terminated())
    return;
  if (package_fetcher() && package_fetcher()->Retry())
    return;
  fetcher_gave_up_ = true;
  if (!installation_started_) {
    LOG(WARNING) << "Exceeded maximum number of fetcher retries,"
                 << " we won't retry until user decides to.";
    return;
  }
  LOG(INFO) << "Reporting fetcher error.";
  InstallerController::OnPackageFetcherError(code, detail, details);
  const uint32_t message_id = code == kPackageFetcherPackageError ? IDS_ERROR_EXTRACTION_FAILED
                                                                  : IDS_ERROR_DOWNLOAD_FAILED;
  ReportError({message_id, std::wstring(), "Fetcher error", true});
}

void InstallerUIController::OnPackageReady(const base::FilePath& package_dir) {
  InstallerController::OnPackageReady(package_dir);
  LOG(INFO) << "Package fetched successfully.";
  progress_->SetPhase(kPhasePackageComplete);
  if (installation_started_) {
    VLOG(2) << "Got tracking data from status.";
    FetchPrefDefaultOverrides();
  }
}

void InstallerUIController::Terminate() {
  weak_factory_.InvalidateWeakPtrs();
  if (window_)
    window_->RemoveObserver(this);
  // The window stops observing the calculator as it goes.
  window_.reset();
  progress_calculator_.reset();
  lock_file_.Close();
  // A request still waiting would never be answered.
  if (pending_fetcher_callback_) {
    CancelUICallback(std::move(*pending_fetcher_callback_));
    pending_fetcher_callback_.reset();
  }
  InstallerController::Terminate();
  if (!installation_started_)
    settings()->RemoveObserver(this);
}

std::unique_ptr<InstallerWindow> InstallerUIController::CreateInstallerWindow() {
  return InstallerWindowImpl::Create(settings(), progress_, progress_calculator_.get());
}

}  // namespace velta
