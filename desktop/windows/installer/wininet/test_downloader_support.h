// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_WININET_TEST_DOWNLOADER_SUPPORT_H_
#define DESKTOP_WINDOWS_INSTALLER_WININET_TEST_DOWNLOADER_SUPPORT_H_

#include <stdint.h>

#include <string>
#include <vector>

#include "base/time/time.h"
#include "desktop/windows/installer/wininet/downloader.h"
#include "desktop/windows/installer/wininet/package_fetch_progress_delegate.h"
#include "desktop/windows/installer/wininet/ui_callback_runner.h"

namespace velta::test {

class LocalHttpServer;

// The Range header of each request the server logged, in order ("none"
// for a request without one).
std::vector<std::string> RequestedRanges(const LocalHttpServer& server);

// The number of the connection that carried each request the server
// logged, in order (the server numbers the connections it accepts).
std::vector<int> RequestConnections(const LocalHttpServer& server);

// Answers the proxy-credentials prompt with a chosen value, as the user (or
// a silent run) would, without showing the dialog; counts the prompts.
class AnsweringUiCallbackRunner : public UiCallbackRunner {
 public:
  explicit AnsweringUiCallbackRunner(std::vector<uint32_t> answers = {});
  ~AnsweringUiCallbackRunner() override;

  void RunUICallbackAndPostReply(UiTask ui_task,
                                 scoped_refptr<base::SingleThreadTaskRunner> reply_runner,
                                 Reply reply) override;

  int prompts() const { return prompts_; }
  // The prompt stays open this long before its answer.
  void set_answer_delay(base::TimeDelta delay) { answer_delay_ = delay; }

 private:
  std::vector<uint32_t> answers_;
  base::TimeDelta answer_delay_;
  int prompts_ = 0;
};

// Records what the downloader reports, in order, as short texts
// ("total 100", "current 40", "stalled 503").
class RecordingProgressDelegate : public PackageFetchProgressDelegate {
 public:
  void SetTotalProgress(uint32_t total) override;
  void SetCurrentProgress(uint32_t current) override;
  void NotifyStalled(uint32_t code) override;

  std::vector<std::string> stalls;
  uint32_t total = 0;
  uint32_t current = 0;
};

// Records the delegate calls that tell a download's story:
// "chunk_started 0", "status 503", "retry 1", "proxy_result 12032", ...
class RecordingDownloaderDelegate : public DownloaderDelegate {
 public:
  explicit RecordingDownloaderDelegate(std::vector<std::string>* events);

  void OnChunkStarted(uint32_t downloaded_size) override;
  void OnHttpStatus(uint32_t status) override;
  void OnRetry(uint32_t retry_count) override;
  void OnRequestCompleted(uint32_t error) override;
  void OnResponseTooLong(uint32_t extra_bytes) override;
  void OnRedirected(const std::wstring& url) override;
  void OnProxyLoginNeeded() override;
  void OnProxyLoginResult(uint32_t result) override;

 private:
  std::vector<std::string>* const events_;
};

}  // namespace velta::test

#endif  // DESKTOP_WINDOWS_INSTALLER_WININET_TEST_DOWNLOADER_SUPPORT_H_
