// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_WININET_WININET_IMPL_H_
#define DESKTOP_WINDOWS_INSTALLER_WININET_WININET_IMPL_H_

#include <stdint.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/memory/scoped_refptr.h"
#include "base/memory/weak_ptr.h"
#include "base/single_thread_task_runner.h"
#include "base/synchronization/lock.h"
#include "base/time/time.h"
#include "base/timer/timer.h"
#include "desktop/windows/installer/wininet/downloader.h"

namespace base {
class Thread;
}

namespace velta {

class PackageFetchProgressDelegate;
class UiCallbackRunner;

// The parts of a URL the downloader uses (InternetCrackUrlW with
// ICU_DECODE | ICU_ESCAPE; a query string stays part of the path).
struct SplitUrl {
  bool valid = false;
  uint32_t scheme = 0;  // WinINet's numbers: 3 HTTP, 4 HTTPS, 5 FILE.
  std::wstring host;
  uint16_t port = 0;
  std::wstring path;
};
SplitUrl CrackUrl(const std::wstring& url);

// The host allow-list rule: an empty list allows every host; an entry that
// starts with "." allows every host ending with it (compared as written, so
// "evil-velta.example" never passes ".velta.example"); any other entry (the
// local host's name, 127.0.0.1) allows exactly that host.
bool IsHostAllowed(const std::wstring& host, const std::vector<std::wstring>& allowed);

// The downloader over asynchronous WinINet. Lives on the thread that made it
// (for the fetch, the "Fetcher thread"), which must run a message loop.
// WinINet's callbacks run on its own threads: they only copy what they get
// and post it here. Each transfer has a reference-counted context (its read
// buffer included) that WinINet's handles keep alive until they report
// closing, so a late callback or a read still pending when a handle closes
// never touches a dead downloader. After each transfer a short-lived
// "Wininet Termination" thread closes the internet handle once the
// connection handle has reported closing.
class WininetImpl : public Downloader {
 public:
  static constexpr int32_t kDefaultMaxRetries = 600;
  static constexpr base::TimeDelta kDefaultRetryDelay = base::TimeDelta::FromSeconds(6);
  // A package server may pause between bytes for longer than the
  // statistics server may take to answer, but never for minutes.
  static constexpr base::TimeDelta kDefaultNetworkTimeout = base::TimeDelta::FromSeconds(60);

  // `ui_callback_runner` shows the proxy-credentials prompt and must outlive
  // the downloader; `progress_delegate` may be null. `network_timeout` bounds
  // connecting, sending a request and each wait for the reply's next bytes:
  // past it the request is one failed attempt, retried or resumed. Tests
  // shorten both times.
  WininetImpl(UiCallbackRunner* ui_callback_runner,
              PackageFetchProgressDelegate* progress_delegate,
              base::TimeDelta retry_delay = kDefaultRetryDelay,
              base::TimeDelta network_timeout = kDefaultNetworkTimeout);
  WininetImpl(const WininetImpl&) = delete;
  WininetImpl& operator=(const WininetImpl&) = delete;
  ~WininetImpl() override;

  // Downloader:
  bool Start(const std::wstring& url,
             const std::string& payload,
             base::OnceClosure done,
             std::unique_ptr<ResponseWriter> writer,
             std::unique_ptr<DownloaderDelegate> delegate) override;
  void Stop() override;
  DownloaderState GetState() const override;
  void SetAllowedDomains(const std::vector<std::wstring>& suffixes) override;
  void SetMaxRetries(uint32_t max_retries) override;
  void SetReplyTimeLimit(base::TimeDelta limit) override;
  bool IsFirstAttempt() const override;
  std::string GetError() const override;
  std::vector<FetchDetails> GetFetchDetails() const override;
  uint64_t GetDownloadedSize() const override;
  uint32_t GetHttpStatus() const override;

  class TransferContext;

 private:
  friend class TransferContext;

  bool OpenRequest(const SplitUrl& url, const std::wstring& extra_headers);
  // `from` is the context of the request that connected: a request that
  // never reports connecting went out on a connection WinINet kept.
  void OnConnectedToServer(scoped_refptr<TransferContext> from, const std::string& address);
  void OnRedirect(const std::wstring& url);
  // `from` is the context of the request that completed: a completion of
  // a request closed since (a resume), or one with no read or send of the
  // current request outstanding, is not this request's and is dropped.
  void OnRequestComplete(scoped_refptr<TransferContext> from, uint32_t error);
  void OnNullRequestContext();
  // False when the response is not taken (retry, prompt or failure).
  bool HandleInitialResponse();
  void ReadBody();
  void CheckRetriesAndResume(uint32_t code);
  // The reply ended before its last byte (cut, timed out): go on at once
  // when it brought bytes, else count a retry.
  void ResumeCutReply(uint32_t code);
  // The body ended (WinINet read nothing more): complete, or resume when
  // it is short of the expected size.
  void EndBody();
  // The reply's Content-Length is read: refused when WinINet holds more
  // bytes of the server's, else as EndBody.
  void EndAnnouncedReply();
  // Ends the transfer as failed, without a retry of its own: the server
  // sent `extra_bytes` (at least) past the reply's Content-Length.
  void RefuseLongReply(uint32_t extra_bytes);
  void SetTimeouts(void* handle);
  // The current request's reply took longer than the download's bound.
  void OnReplyTimeLimit();
  // True when `error` ends a request that waited longer than the time-out.
  bool TimedOut(uint32_t error) const;
  void LogTimeout();
  void Resume();
  void OnProxyCredentials(uint32_t result);
  void Fail();
  void Complete();
  void CloseTransfer();
  void JoinTerminationThread();
  void AddError(const std::string& text);
  void AddErrorWithSystemError(const std::string& text, uint32_t system_error);
  std::wstring QueryHeader(const std::wstring& name);
  // False when the reply brought a status line alone, or nothing.
  bool HasResponseHeaders();
  void ReportTotalProgress();
  void ReportCurrentProgress();

  DownloaderState state_ = DownloaderState::kIdle;
  void* internet_ = nullptr;
  void* connection_ = nullptr;
  void* request_ = nullptr;
  std::wstring url_;
  std::string payload_;
  std::vector<std::wstring> allowed_hosts_;
  std::unique_ptr<ResponseWriter> writer_;
  std::unique_ptr<DownloaderDelegate> delegate_;
  // Sizes and offsets are 64-bit from the headers to the Range of a resume.
  uint64_t expected_size_ = 0;
  uint64_t downloaded_size_ = 0;
  // The downloaded size when the current request went out: a resume that
  // adds nothing is counted as a retry.
  uint64_t size_at_request_ = 0;
  // Where the current reply starts, and where its Content-Length says it
  // ends; unset without that header.
  uint64_t reply_start_ = 0;
  std::optional<uint64_t> reply_end_;
  // When the current request went out or its last bytes came.
  base::TimeTicks last_activity_;
  uint32_t http_status_ = 0;
  scoped_refptr<base::SingleThreadTaskRunner> owner_task_runner_;
  // The connection's context, and the current request's: each request has
  // its own, so that a closed request's late read fills its own buffer.
  scoped_refptr<TransferContext> context_;
  scoped_refptr<TransferContext> request_context_;
  // A send or read of the current request waits for its completion.
  bool operation_pending_ = false;
  // The current request opened a connection of its own (WinINet reported
  // connecting); false while it may use one kept from an earlier reply.
  bool request_on_new_connection_ = false;
  std::unique_ptr<base::Thread> termination_thread_;
  UiCallbackRunner* const ui_callback_runner_;
  PackageFetchProgressDelegate* const progress_delegate_;
  const base::TimeDelta retry_delay_;
  const base::TimeDelta network_timeout_;
  base::OnceClosure done_;
  mutable base::Lock error_lock_;
  std::string error_;
  int32_t retry_counter_ = 0;
  // The bound the next Start takes, and the current download's (zero: none).
  base::TimeDelta next_reply_time_limit_;
  base::TimeDelta reply_time_limit_;
  // Runs from a request's sending to the end of its reply.
  base::OneShotTimer reply_timer_;
  int32_t max_retries_ = kDefaultMaxRetries;
  base::WeakPtrFactory<WininetImpl> weak_factory_{this};
};

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_WININET_WININET_IMPL_H_
