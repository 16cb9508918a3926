// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_PACKAGE_FETCHER_MAIN_PACKAGE_DOWNLOADER_IMPL_H_
#define DESKTOP_WINDOWS_INSTALLER_PACKAGE_FETCHER_MAIN_PACKAGE_DOWNLOADER_IMPL_H_

#include <memory>
#include <string>

#include "base/files/file_path.h"
#include "base/memory/weak_ptr.h"
#include "desktop/windows/installer/package_fetcher/main_package_downloader.h"

namespace velta {

class WrittenFileDigest;

class MainPackageDownloaderImpl : public MainPackageDownloader {
 public:
  // `installer_path` is the running installer executable (its signature
  // decides whether the package's is checked; CopyInstallerExe copies it).
  // `session_guid` is the installation run's session: the ready marker names
  // it, so that the run's backend tells its package from another
  // installer's made in the same second.
  MainPackageDownloaderImpl(const base::FilePath& installer_path,
                            const std::string& session_guid);
  MainPackageDownloaderImpl(const MainPackageDownloaderImpl&) = delete;
  MainPackageDownloaderImpl& operator=(const MainPackageDownloaderImpl&) = delete;
  ~MainPackageDownloaderImpl() override;

  bool UsePayloadPackage(const PayloadManager& payload, const base::FilePath& folder) override;
  bool DownloadMainPackage(const std::wstring& url,
                           const base::FilePath& folder,
                           Downloader* downloader,
                           DoneCallback done) override;
  bool VerifyChecksum(const base::FilePath& folder, const std::string& expected) override;
  bool VerifySignature(const base::FilePath& folder) override;
  void WriteServerTrackingData(const base::FilePath& folder,
                               const std::string& tracking_data) override;
  void WriteWelcomePageUrlPref(const PackageMetadata& metadata,
                               const base::FilePath& folder) override;
  bool WriteReadyMarker(const base::FilePath& folder) override;
  bool CopyInstallerExe(const base::FilePath& folder) override;
  void CancelCallbacks() override;

 private:
  void OnDownloaded(Downloader* downloader, DoneCallback done);
  // Lets go of the package's file, which the digest holds shut.
  void ReleasePackageDigest();

  const base::FilePath installer_path_;
  const std::string session_guid_;
  // The SHA-256 that the last download's writer took of the package as it
  // wrote it (holding the file shut since), and the package's path;
  // VerifyChecksum uses it once, else it reads the file.
  std::shared_ptr<WrittenFileDigest> package_digest_;
  base::FilePath package_digest_path_;
  base::WeakPtrFactory<MainPackageDownloaderImpl> weak_factory_{this};
};

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_PACKAGE_FETCHER_MAIN_PACKAGE_DOWNLOADER_IMPL_H_
