// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_WININET_DOWNLOADER_H_
#define DESKTOP_WINDOWS_INSTALLER_WININET_DOWNLOADER_H_

#include <stdint.h>

#include <memory>
#include <string>
#include <vector>

#include "base/callback.h"
#include "base/time/time.h"
#include "desktop/windows/installer/avro_stats/fetch_details.h"

namespace velta {

class ResponseWriter;

// Printed as its number in "Downloader state: " lines.
enum class DownloaderState : uint32_t {
  kIdle = 0,
  kRequestSent = 1,
  kReceiving = 2,
  kStopped = 3,
  kFailed = 4,
  kCompleted = 5,
};

// Told what happens on the wire during one download, on the downloader's
// thread. The download-details recorders turn it into FetchDetails; every
// operation of this base does nothing.
class DownloaderDelegate {
 public:
  virtual ~DownloaderDelegate();

  // A request went out; `downloaded_size` bytes were already written.
  virtual void OnChunkStarted(uint32_t downloaded_size);
  virtual void OnConnectedToServer(const std::string& address);
  virtual void OnRedirected(const std::wstring& url);
  virtual void OnResponseHeader(const std::wstring& name, const std::wstring& value);
  // `error` is the WinINet error of the request's completion, 0 on success.
  virtual void OnRequestCompleted(uint32_t error);
  virtual void OnHttpStatus(uint32_t status);
  virtual void OnRetry(uint32_t retry_count);
  virtual void OnChunkEnded(uint32_t downloaded_size);
  virtual void OnResponseTooLong(uint32_t extra_bytes);
  virtual void OnProxyLoginNeeded();
  virtual void OnProxyLoginResult(uint32_t result);
  virtual void OnNullRequestContext();
  // May be called from any thread.
  virtual std::vector<FetchDetails> GetFetchDetails();
};

// Fetches one URL at a time, by GET or by POST when a payload is given,
// into a ResponseWriter; resumes cut transfers with a byte range and retries
// connectivity failures. Used on the thread that made it.
//
//   downloader->Start(url, "", base::BindOnce(&OnDone, ...), std::move(writer),
//                     std::make_unique<DownloaderDelegate>());
//   ... OnDone: GetState() is kCompleted or kFailed, GetError() says why.
class Downloader {
 public:
  virtual ~Downloader() = default;

  // True when the request went out; `done` then runs once when the download
  // completes or fails (never after Stop()). False: nothing runs, `done` is
  // dropped and GetError() says why. Writer and delegate are required.
  virtual bool Start(const std::wstring& url,
                     const std::string& payload,
                     base::OnceClosure done,
                     std::unique_ptr<ResponseWriter> writer,
                     std::unique_ptr<DownloaderDelegate> delegate) = 0;
  // Ends the transfer without running `done`.
  virtual void Stop() = 0;
  virtual DownloaderState GetState() const = 0;
  // Host suffixes a URL's host must end with; empty allows every host.
  virtual void SetAllowedDomains(const std::vector<std::wstring>& suffixes) = 0;
  virtual void SetMaxRetries(uint32_t max_retries) = 0;
  // Bounds each request of the next download started, from sending it to
  // the end of its reply, the time a proxy-credentials prompt is open not
  // counted: past it the download fails. Start takes the bound, so later
  // downloads have none unless it is given again; zero gives none.
  virtual void SetReplyTimeLimit(base::TimeDelta limit) = 0;
  // True while no retry was spent on the current download.
  virtual bool IsFirstAttempt() const = 0;
  // The error lines of the last download. Any thread.
  virtual std::string GetError() const = 0;
  virtual std::vector<FetchDetails> GetFetchDetails() const = 0;
  // Bytes handed to the writer since Start, across resumes (a package may
  // pass 4 GiB).
  virtual uint64_t GetDownloadedSize() const = 0;
  virtual uint32_t GetHttpStatus() const = 0;
};

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_WININET_DOWNLOADER_H_
