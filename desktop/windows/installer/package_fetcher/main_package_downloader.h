// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_PACKAGE_FETCHER_MAIN_PACKAGE_DOWNLOADER_H_
#define DESKTOP_WINDOWS_INSTALLER_PACKAGE_FETCHER_MAIN_PACKAGE_DOWNLOADER_H_

#include <string>
#include <vector>

#include "base/callback.h"
#include "base/files/file_path.h"
#include "desktop/windows/installer/avro_stats/fetch_details.h"

namespace velta {

class Downloader;
class PayloadManager;
struct PackageMetadata;

// The single-file work on the main package, on the fetcher's thread:
// download, checksum and signature checks, and the small files that make a
// package folder complete. Each step that fails sets the thread's installer
// error and answers false.
class MainPackageDownloader {
 public:
  using DoneCallback = base::OnceCallback<void(bool success, std::vector<FetchDetails>)>;

  virtual ~MainPackageDownloader() = default;

  // Writes a full package that came appended to the installer into
  // "velta_package" in `folder`. False for any other payload, or when it
  // cannot be written out.
  virtual bool UsePayloadPackage(const PayloadManager& payload, const base::FilePath& folder) = 0;
  // Downloads `url` into "velta_package" in `folder`. True when it started;
  // `done` then runs once. `downloader` must outlive the download.
  virtual bool DownloadMainPackage(const std::wstring& url,
                                   const base::FilePath& folder,
                                   Downloader* downloader,
                                   DoneCallback done) = 0;
  virtual bool VerifyChecksum(const base::FilePath& folder, const std::string& expected) = 0;
  // A signed installer accepts only a package signed by the company.
  virtual bool VerifySignature(const base::FilePath& folder) = 0;
  // Nothing is written for empty data; a failed write is not reported.
  virtual void WriteServerTrackingData(const base::FilePath& folder,
                                       const std::string& tracking_data) = 0;
  // Sets "welcome-url" in "installer_prefs_include.json" when the reply has
  // a string "url_welcome".
  virtual void WriteWelcomePageUrlPref(const PackageMetadata& metadata,
                                       const base::FilePath& folder) = 0;
  // Marks the package complete: "ready", holding the installation run's
  // session GUID, which the backend's lookup by the folders' prefix matches.
  virtual bool WriteReadyMarker(const base::FilePath& folder) = 0;
  // Copies the running installer to "installer.exe" in `folder`.
  virtual bool CopyInstallerExe(const base::FilePath& folder) = 0;
  // Drops the reply of a download still under way.
  virtual void CancelCallbacks() = 0;
};

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_PACKAGE_FETCHER_MAIN_PACKAGE_DOWNLOADER_H_
