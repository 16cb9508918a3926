// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/package_fetcher/package_fetch_sequencer_impl.h"

#include <memory>
#include <utility>

#include "base/bind.h"
#include "base/files/file_util.h"
#include "base/logging.h"
#include "base/strings/utf_string_conversions.h"
#include "desktop/windows/installer/avro_stats/additional_file_fetched_event.h"
#include "desktop/windows/installer/avro_stats/avro_stats_sender.h"
#include "desktop/windows/installer/avro_stats/checksum_verified_event.h"
#include "desktop/windows/installer/avro_stats/fetching_additional_file_event.h"
#include "desktop/windows/installer/avro_stats/fetching_download_url_event.h"
#include "desktop/windows/installer/avro_stats/fetching_primary_package_event.h"
#include "desktop/windows/installer/avro_stats/package_fetcher_local_error_event.h"
#include "desktop/windows/installer/avro_stats/package_fetcher_network_error_event.h"
#include "desktop/windows/installer/avro_stats/package_ready_event.h"
#include "desktop/windows/installer/avro_stats/primary_package_fetched_event.h"
#include "desktop/windows/installer/avro_stats/signature_verified_event.h"
#include "desktop/windows/installer/avro_stats/version_verified_event.h"
#include "desktop/windows/installer/common/installer_error.h"
#include "desktop/windows/installer/common/product/installer_constants.h"
#include "desktop/windows/installer/package_fetcher/additional_file_downloader.h"
#include "desktop/windows/installer/package_fetcher/folder_preparer.h"
#include "desktop/windows/installer/package_fetcher/main_package_downloader.h"
#include "desktop/windows/installer/package_fetcher/package_fetcher_delegate.h"
#include "desktop/windows/installer/package_fetcher/package_fetcher_delegate_proxy.h"
#include "desktop/windows/installer/package_fetcher/package_metadata_retriever.h"
#include "desktop/windows/installer/package_fetcher/package_version_checker.h"
#include "desktop/windows/installer/wininet/wininet_impl.h"

namespace velta {

namespace {

// Received bytes from which a fetch gets fewer attempts (4 MiB).
constexpr int64_t kManyBytesReceived = 0x3FFFFF;
constexpr int32_t kAttempts = 6;
constexpr int32_t kFewAttempts = 3;
constexpr uint32_t kHttpNoContent = 204;
// Every event of the fetch is of verbosity level 1.
constexpr int32_t kEventLevel = 1;

template <typename Event, typename... Args>
void SendEvent(Args&&... args) {
  GetAvroStatsSender()->SendAvroMessage(
      std::make_unique<Event>(std::forward<Args>(args)..., kEventLevel));
}

// The list of the additional files in `folder`, empty when none came: a
// repair with nothing missing still reads one.
bool EnsureFilesList(const base::FilePath& folder) {
  const base::FilePath list = folder.Append(kFilesListFileName);
  if (base::PathExists(list) || base::WriteFile(list, ""))
    return true;
  return SetInstallerError(1, "Cannot write the files list", list.value());
}

}  // namespace

PackageFetchSequencerImpl::Steps::Steps() = default;
PackageFetchSequencerImpl::Steps::Steps(Steps&&) = default;
PackageFetchSequencerImpl::Steps::~Steps() = default;

PackageFetchSequencerImpl::PackageFetchSequencerImpl(
    Steps steps,
    bool install_assistant,
    const std::string& tracking_data,
    const PayloadManager* payload,
    scoped_refptr<PackageFetcherDelegateProxy> proxy,
    base::TimeDelta retry_delay)
    : additional_file_downloader_(std::move(steps.additional_file_downloader)),
      folder_preparer_(std::move(steps.folder_preparer)),
      main_package_downloader_(std::move(steps.main_package_downloader)),
      metadata_retriever_(std::move(steps.metadata_retriever)),
      version_checker_(std::move(steps.version_checker)),
      payload_(payload),
      install_assistant_(install_assistant),
      tracking_data_(tracking_data),
      proxy_(std::move(proxy)),
      retry_delay_(retry_delay) {}

PackageFetchSequencerImpl::~PackageFetchSequencerImpl() {
  LOG(INFO) << "Terminating the package fetcher";
  additional_file_downloader_->Reset();
  main_package_downloader_->CancelCallbacks();
  metadata_retriever_->Cancel();
  if (downloader_ && downloader_->GetState() != DownloaderState::kFailed)
    downloader_->Stop();
  // The folders go first: nothing of the fetch may use them any more.
  folder_preparer_.reset();
}

void PackageFetchSequencerImpl::Initialize() {
  downloader_ = std::make_unique<WininetImpl>(proxy_.get(), proxy_.get(), retry_delay_);
  error_record_ = std::make_unique<ScopedInstallerErrorRecord>();
}

base::WeakPtr<PackageFetchSequencer> PackageFetchSequencerImpl::GetLifetimeWeakPtr() {
  return lifetime_factory_.GetWeakPtr();
}

void PackageFetchSequencerImpl::ReportStatus(uint32_t status) {
  status_ = status;
  proxy_->NotifyPackageFetcherStatusChanged(status);
}

void PackageFetchSequencerImpl::Start() {
  LOG(INFO) << "Starting the package fetcher";
  ReportStatus(kPackageFetcherStarted);
  base::FilePath folder = folder_preparer_->PrepareFolder();
  if (folder.empty()) {
    // Without its folder every later write would land in the current one.
    ReportLocalError(kPackageFetcherDownloadError);
    return;
  }
  if (payload_ && main_package_downloader_->UsePayloadPackage(*payload_, folder)) {
    // The package came with the installer.
    if (MarkPackageReady(nullptr, folder))
      PackageReady(folder);
    else
      ReportLocalError(kPackageFetcherPackageError);
    return;
  }
  if (!metadata_retriever_->Retrieve(downloader_.get(), requested_files_, tracking_data_,
                                     install_assistant_, additional_files_only_,
                                     base::BindOnce(&PackageFetchSequencerImpl::OnMetadata,
                                                    weak_factory_.GetWeakPtr(), folder))) {
    ReportLocalError(kPackageFetcherDownloadError);
    return;
  }
  SendEvent<FetchingDownloadUrlEvent>();
  ReportStatus(kPackageFetcherFetchingMetadata);
}

void PackageFetchSequencerImpl::Restart() {
  weak_factory_.InvalidateWeakPtrs();
  additional_file_downloader_->Reset();
  main_package_downloader_->CancelCallbacks();
  metadata_retriever_->Cancel();
  pending_additional_files_.clear();
  if (downloader_)
    downloader_->Stop();
  Start();
}

void PackageFetchSequencerImpl::SetUseMinimalPackageAndRestart(
    const std::vector<std::string>& files) {
  requested_files_ = files;
  Restart();
}

void PackageFetchSequencerImpl::SetUseMinimalPackage(const std::vector<std::string>& files) {
  requested_files_ = files;
}

bool PackageFetchSequencerImpl::CanRetry() {
  base::AutoLock lock(retry_lock_);
  int32_t limit = received_bytes_ > kManyBytesReceived ? kFewAttempts
                  : no_content_count_ < 3              ? kAttempts
                                                       : kFewAttempts;
  return failure_count_ < limit;
}

void PackageFetchSequencerImpl::FetchAdditionalFilesOnly() {
  additional_files_only_ = true;
}

void PackageFetchSequencerImpl::OnMetadata(base::FilePath folder,
                                           std::unique_ptr<PackageMetadata> metadata,
                                           std::vector<FetchDetails> details) {
  if (!metadata) {
    ReportNetworkError(std::move(details));
    return;
  }
  if (additional_files_only_) {
    TakeAdditionalFiles(metadata.get());
    DownloadAdditionalFiles(folder, metadata->requested_files_listed);
    return;
  }
  std::wstring url = metadata->installer_url;
  if (!main_package_downloader_->DownloadMainPackage(
          url, folder, downloader_.get(),
          base::BindOnce(&PackageFetchSequencerImpl::OnMainPackage, weak_factory_.GetWeakPtr(),
                         folder, std::move(metadata)))) {
    ReportLocalError(kPackageFetcherDownloadError);
    return;
  }
  ReportStatus(kPackageFetcherFetchingMainPackage);
  SendEvent<FetchingPrimaryPackageEvent>(base::WideToUTF8(url), std::move(details));
}

void PackageFetchSequencerImpl::OnMainPackage(base::FilePath folder,
                                              std::unique_ptr<PackageMetadata> metadata,
                                              bool success,
                                              std::vector<FetchDetails> details) {
  if (!success) {
    ReportNetworkError(std::move(details));
    return;
  }
  SendEvent<PrimaryPackageFetchedEvent>(std::move(details));
  if (!main_package_downloader_->VerifyChecksum(folder, metadata->installer_checksum)) {
    ReportLocalError(kPackageFetcherDownloadError);
    return;
  }
  SendEvent<ChecksumVerifiedEvent>();
  if (!main_package_downloader_->VerifySignature(folder)) {
    ReportLocalError(kPackageFetcherDownloadError);
    return;
  }
  SendEvent<SignatureVerifiedEvent>();
  std::string version;
  std::string stream;
  if (!version_checker_->CheckMainPackage(folder, &version, &stream)) {
    ReportLocalError(kPackageFetcherDownloadError);
    return;
  }
  SendEvent<VersionVerifiedEvent>(version, stream);
  if (!MarkPackageReady(metadata.get(), folder)) {
    ReportLocalError(kPackageFetcherDownloadError);
    return;
  }
  TakeAdditionalFiles(metadata.get());
  DownloadAdditionalFiles(folder, metadata->requested_files_listed);
}

bool PackageFetchSequencerImpl::MarkPackageReady(const PackageMetadata* metadata,
                                                 const base::FilePath& folder) {
  main_package_downloader_->WriteServerTrackingData(folder, tracking_data_);
  if (!WriteReadyMarker(folder))
    return false;
  if (metadata)
    main_package_downloader_->WriteWelcomePageUrlPref(*metadata, folder);
  return true;
}

bool PackageFetchSequencerImpl::WriteReadyMarker(const base::FilePath& folder) {
  if (!main_package_downloader_->WriteReadyMarker(folder))
    return AppendInstallerError("Cannot mark package as ready", 0, std::wstring());
  return true;
}

void PackageFetchSequencerImpl::TakeAdditionalFiles(PackageMetadata* metadata) {
  pending_additional_files_ = std::move(metadata->additional_files);
  if (!pending_additional_files_.empty())
    ReportStatus(kPackageFetcherFetchingAdditionalFiles);
}

void PackageFetchSequencerImpl::DownloadAdditionalFiles(const base::FilePath& folder,
                                                        bool is_minimal) {
  while (!pending_additional_files_.empty()) {
    std::unique_ptr<AdditionalFile> file = std::move(pending_additional_files_.front());
    pending_additional_files_.erase(pending_additional_files_.begin());
    std::string description = base::WideToUTF8(file->location);
    if (additional_file_downloader_->DownloadAdditionalFile(
            folder, downloader_.get(), std::move(file), is_minimal, additional_files_only_,
            base::BindOnce(&PackageFetchSequencerImpl::OnAdditionalFile, weak_factory_.GetWeakPtr(),
                           folder, is_minimal))) {
      SendEvent<FetchingAdditionalFileEvent>(description);
      return;
    }
  }
  additional_file_downloader_->WriteFilesList(folder);
  PackageReady(folder);
}

void PackageFetchSequencerImpl::OnAdditionalFile(base::FilePath folder,
                                                 bool is_minimal,
                                                 std::unique_ptr<AdditionalFile> file,
                                                 std::vector<FetchDetails> details) {
  if (file) {
    SendEvent<AdditionalFileFetchedEvent>(std::move(details));
    additional_file_downloader_->InstallAdditionalFile(version_checker_.get(), file.get(), folder,
                                                       folder_preparer_->GetAssistantFolder());
  }
  DownloadAdditionalFiles(folder, is_minimal);
}

void PackageFetchSequencerImpl::PackageReady(const base::FilePath& folder) {
  {
    base::AutoLock lock(retry_lock_);
    received_bytes_ += downloader_->GetDownloadedSize();
  }
  LOG(INFO) << "Package ready.";
  SendEvent<PackageReadyEvent>();
  // The backend waiting for the package finds its folder by the ready
  // marker, also when only additional files came. The marker goes alone:
  // tracking data here would replace the installation's own.
  if (additional_files_only_ &&
      (!EnsureFilesList(folder) || !main_package_downloader_->CopyInstallerExe(folder) ||
       !WriteReadyMarker(folder))) {
    ReportLocalError(kPackageFetcherPackageError);
    return;
  }
  ReportStatus(kPackageFetcherPackageReady);
  proxy_->NotifyPackageReady(folder);
}

void PackageFetchSequencerImpl::ReportLocalError(uint32_t code) {
  std::string detail = GetInstallerErrorDetail();
  LOG(ERROR) << detail;
  SendEvent<PackageFetcherLocalErrorEvent>(detail);
  RecordFailure(code, detail, {});
}

void PackageFetchSequencerImpl::ReportNetworkError(std::vector<FetchDetails> details) {
  std::string detail = GetInstallerErrorDetail();
  LOG(ERROR) << detail;
  SendEvent<PackageFetcherNetworkErrorEvent>(detail, details);
  RecordFailure(kPackageFetcherDownloadError, detail, std::move(details));
}

void PackageFetchSequencerImpl::RecordFailure(uint32_t code,
                                              const std::string& detail,
                                              std::vector<FetchDetails> details) {
  {
    base::AutoLock lock(retry_lock_);
    ++failure_count_;
    received_bytes_ += downloader_->GetDownloadedSize();
    if (downloader_->GetHttpStatus() == kHttpNoContent)
      ++no_content_count_;
  }
  proxy_->NotifyPackageFetcherError(code, detail, details);
}

}  // namespace velta
