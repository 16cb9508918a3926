// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_PACKAGE_FETCHER_FETCH_DETAILS_RECORDER_H_
#define DESKTOP_WINDOWS_INSTALLER_PACKAGE_FETCHER_FETCH_DETAILS_RECORDER_H_

#include <stdint.h>

#include <string>
#include <vector>

#include "base/synchronization/lock.h"
#include "desktop/windows/installer/wininet/downloader.h"

namespace velta {

// Keeps one FetchDetails record per request of a download (the main
// package): every OnChunkStarted opens a record, the other reports fill the
// newest one. Reports before the first request are ignored. The downloader
// calls it on its thread; GetFetchDetails may be called from any thread.
class FetchDetailsRecorder : public DownloaderDelegate {
 public:
  FetchDetailsRecorder();
  FetchDetailsRecorder(const FetchDetailsRecorder&) = delete;
  FetchDetailsRecorder& operator=(const FetchDetailsRecorder&) = delete;
  ~FetchDetailsRecorder() override;

  void OnChunkStarted(uint32_t downloaded_size) override;
  void OnConnectedToServer(const std::string& address) override;
  void OnRedirected(const std::wstring& url) override;
  void OnResponseHeader(const std::wstring& name, const std::wstring& value) override;
  void OnRequestCompleted(uint32_t error) override;
  void OnHttpStatus(uint32_t status) override;
  void OnRetry(uint32_t retry_count) override;
  void OnChunkEnded(uint32_t downloaded_size) override;
  void OnResponseTooLong(uint32_t extra_bytes) override;
  void OnProxyLoginNeeded() override;
  void OnProxyLoginResult(uint32_t result) override;
  void OnNullRequestContext() override;
  std::vector<FetchDetails> GetFetchDetails() override;

 private:
  // The newest record, or null before the first request. Under lock_.
  FetchDetails* Current();

  base::Lock lock_;
  uint32_t chunk_counter_ = 0;
  std::vector<FetchDetails> records_;
};

// Keeps a single FetchDetails record with the outcome of a download (an
// additional file): the WinINet error, the HTTP status and the proxy
// reports. Threads as FetchDetailsRecorder.
class FetchSummaryRecorder : public DownloaderDelegate {
 public:
  FetchSummaryRecorder();
  FetchSummaryRecorder(const FetchSummaryRecorder&) = delete;
  FetchSummaryRecorder& operator=(const FetchSummaryRecorder&) = delete;
  ~FetchSummaryRecorder() override;

  void OnRequestCompleted(uint32_t error) override;
  void OnHttpStatus(uint32_t status) override;
  void OnProxyLoginNeeded() override;
  void OnProxyLoginResult(uint32_t result) override;
  void OnNullRequestContext() override;
  // Always one record, even when nothing was reported.
  std::vector<FetchDetails> GetFetchDetails() override;

 private:
  base::Lock lock_;
  FetchDetails record_;
};

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_PACKAGE_FETCHER_FETCH_DETAILS_RECORDER_H_
