// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_PACKAGE_FETCHER_PACKAGE_FETCHER_DELEGATE_H_
#define DESKTOP_WINDOWS_INSTALLER_PACKAGE_FETCHER_PACKAGE_FETCHER_DELEGATE_H_

#include <stdint.h>

#include <string>
#include <vector>

#include "base/files/file_path.h"
#include "desktop/windows/installer/avro_stats/fetch_details.h"

namespace velta {

// The fetch's statuses, in the order a run goes through them.
enum PackageFetcherStatus : uint32_t {
  kPackageFetcherStarted = 0,
  kPackageFetcherRetryPending = 1,
  kPackageFetcherFetchingMetadata = 2,
  kPackageFetcherFetchingMainPackage = 3,
  kPackageFetcherFetchingAdditionalFiles = 4,
  kPackageFetcherPackageReady = 5,
};

// The codes of OnPackageFetcherError: the window shows a download failure
// for the first and a package extraction failure for the second.
enum PackageFetcherErrorCode : uint32_t {
  kPackageFetcherDownloadError = 1,
  kPackageFetcherPackageError = 2,
};

// What the controllers hear of the package fetch, always on their own
// thread (PackageFetcherDelegateProxy posts every call there). A run ends in
// exactly one OnPackageReady or OnPackageFetcherError.
class PackageFetcherDelegate {
 public:
  virtual ~PackageFetcherDelegate() = default;

  virtual void OnPackageFetcherStatusChanged(uint32_t status) = 0;
  // `folder` holds the complete package (and its "ready" marker).
  virtual void OnPackageReady(const base::FilePath& folder) = 0;
  // `details` are the failed request's download details; empty for local
  // errors.
  virtual void OnPackageFetcherError(uint32_t code,
                                     const std::string& detail,
                                     const std::vector<FetchDetails>& details) = 0;
  virtual void SetTotalProgress(uint32_t total) = 0;
  virtual void SetCurrentProgress(uint32_t current) = 0;
  virtual void NotifyStalled() = 0;
};

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_PACKAGE_FETCHER_PACKAGE_FETCHER_DELEGATE_H_
