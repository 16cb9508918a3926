// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_PACKAGE_FETCHER_PACKAGE_FETCH_SEQUENCER_IMPL_H_
#define DESKTOP_WINDOWS_INSTALLER_PACKAGE_FETCHER_PACKAGE_FETCH_SEQUENCER_IMPL_H_

#include <stdint.h>

#include <memory>
#include <string>
#include <vector>

#include "base/files/file_path.h"
#include "base/memory/scoped_refptr.h"
#include "base/synchronization/lock.h"
#include "base/time/time.h"
#include "desktop/windows/installer/avro_stats/fetch_details.h"
#include "desktop/windows/installer/package_fetcher/package_fetch_sequencer.h"

namespace velta {

class AdditionalFileDownloader;
class Downloader;
class FolderPreparer;
class MainPackageDownloader;
class PackageFetcherDelegateProxy;
class PackageMetadataRetriever;
class PackageVersionChecker;
class PayloadManager;
class ScopedInstallerErrorRecord;
struct AdditionalFile;
struct PackageMetadata;

// A network fetch: folder, metadata, main package (checksum, signature,
// version), ready marker, additional files, "files_list", then the package
// is reported ready. Every report goes through the proxy. Made on the
// controller's thread; used and destroyed on the Fetcher thread.
class PackageFetchSequencerImpl : public PackageFetchSequencer {
 public:
  struct Steps {
    Steps();
    Steps(Steps&&);
    ~Steps();
    std::unique_ptr<AdditionalFileDownloader> additional_file_downloader;
    std::unique_ptr<FolderPreparer> folder_preparer;
    std::unique_ptr<MainPackageDownloader> main_package_downloader;
    std::unique_ptr<PackageMetadataRetriever> metadata_retriever;
    std::unique_ptr<PackageVersionChecker> version_checker;
  };

  // `payload` (may be null: inside a package) must outlive the sequencer.
  // `retry_delay` is the downloader's delay between retries (tests shorten
  // it).
  PackageFetchSequencerImpl(Steps steps,
                            bool install_assistant,
                            const std::string& tracking_data,
                            const PayloadManager* payload,
                            scoped_refptr<PackageFetcherDelegateProxy> proxy,
                            base::TimeDelta retry_delay);
  PackageFetchSequencerImpl(const PackageFetchSequencerImpl&) = delete;
  PackageFetchSequencerImpl& operator=(const PackageFetchSequencerImpl&) = delete;
  ~PackageFetchSequencerImpl() override;

  void Initialize() override;
  void Start() override;
  void Restart() override;
  void SetUseMinimalPackageAndRestart(const std::vector<std::string>& files) override;
  void SetUseMinimalPackage(const std::vector<std::string>& files) override;
  bool CanRetry() override;
  void FetchAdditionalFilesOnly() override;
  base::WeakPtr<PackageFetchSequencer> GetLifetimeWeakPtr() override;

 private:
  void ReportStatus(uint32_t status);
  void OnMetadata(base::FilePath folder,
                  std::unique_ptr<PackageMetadata> metadata,
                  std::vector<FetchDetails> details);
  void OnMainPackage(base::FilePath folder,
                     std::unique_ptr<PackageMetadata> metadata,
                     bool success,
                     std::vector<FetchDetails> details);
  // The tracking data, the ready marker and (with `metadata`) the welcome
  // page preference of a package.
  bool MarkPackageReady(const PackageMetadata* metadata, const base::FilePath& folder);
  // The ready marker alone; false, with the error record appended, when it
  // cannot be written.
  bool WriteReadyMarker(const base::FilePath& folder);
  void TakeAdditionalFiles(PackageMetadata* metadata);
  void DownloadAdditionalFiles(const base::FilePath& folder, bool is_minimal);
  void OnAdditionalFile(base::FilePath folder,
                        bool is_minimal,
                        std::unique_ptr<AdditionalFile> file,
                        std::vector<FetchDetails> details);
  void PackageReady(const base::FilePath& folder);
  void ReportLocalError(uint32_t code);
  void ReportNetworkError(std::vector<FetchDetails> details);
  void RecordFailure(uint32_t code, const std::string& detail, std::vector<FetchDetails> details);

  std::unique_ptr<AdditionalFileDownloader> additional_file_downloader_;
  std::unique_ptr<FolderPreparer> folder_preparer_;
  std::unique_ptr<MainPackageDownloader> main_package_downloader_;
  std::unique_ptr<PackageMetadataRetriever> metadata_retriever_;
  std::unique_ptr<PackageVersionChecker> version_checker_;
  base::Lock retry_lock_;
  int32_t failure_count_ = 0;
  int32_t no_content_count_ = 0;
  int64_t received_bytes_ = 0;
  const PayloadManager* const payload_;
  std::unique_ptr<ScopedInstallerErrorRecord> error_record_;
  std::vector<std::string> requested_files_;
  bool additional_files_only_ = false;
  const bool install_assistant_;
  const std::string tracking_data_;
  uint32_t status_ = 0;
  std::vector<std::unique_ptr<AdditionalFile>> pending_additional_files_;
  std::unique_ptr<Downloader> downloader_;
  scoped_refptr<PackageFetcherDelegateProxy> proxy_;
  const base::TimeDelta retry_delay_;
  base::WeakPtrFactory<PackageFetchSequencerImpl> weak_factory_{this};
  base::WeakPtrFactory<PackageFetchSequencer> lifetime_factory_{this};
};

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_PACKAGE_FETCHER_PACKAGE_FETCH_SEQUENCER_IMPL_H_
