// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_PACKAGE_FETCHER_MAIN_PACKAGE_DOWNLOADER_IMPL_H_
#define DESKTOP_WINDOWS_INSTALLER_PACKAGE_FETCHER_MAIN_PACKAGE_DOWNLOADER_IMPL_H_

#include "base/memory/weak_ptr.h"
#include "desktop/windows/installer/package_fetcher/main_package_downloader.h"

namespace velta {

class MainPackageDownloaderImpl : public MainPackageDownloader {
 public:
  // `installer_path` is the running installer executable (its signature
  // decides whether the package's is checked; CopyInstallerExe copies it).
  explicit MainPackageDownloaderImpl(const base::FilePath& installer_path);
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

  const base::FilePath installer_path_;
  base::WeakPtrFactory<MainPackageDownloaderImpl> weak_factory_{this};
};

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_PACKAGE_FETCHER_MAIN_PACKAGE_DOWNLOADER_IMPL_H_
