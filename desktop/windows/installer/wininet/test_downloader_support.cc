// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/wininet/test_downloader_support.h"

#include <utility>

#include "base/bind.h"
#include "base/location.h"
#include "base/strings/string_number_conversions.h"
#include "base/strings/utf_string_conversions.h"
#include "testing/http_server/local_http_server.h"

namespace velta::test {

std::vector<std::string> RequestedRanges(const LocalHttpServer& server) {
  std::vector<std::string> ranges;
  for (const base::Value& entry : server.ReadLog()) {
    const std::string* range = entry.FindStringKey("range");
    ranges.push_back(range ? *range : "none");
  }
  return ranges;
}

std::vector<int> RequestConnections(const LocalHttpServer& server) {
  std::vector<int> connections;
  for (const base::Value& entry : server.ReadLog())
    connections.push_back(entry.FindIntKey("connection").value_or(0));
  return connections;
}

AnsweringUiCallbackRunner::AnsweringUiCallbackRunner(std::vector<uint32_t> answers)
    : answers_(std::move(answers)) {}

AnsweringUiCallbackRunner::~AnsweringUiCallbackRunner() = default;

void AnsweringUiCallbackRunner::RunUICallbackAndPostReply(
    UiTask /*ui_task*/,
    scoped_refptr<base::SingleThreadTaskRunner> reply_runner,
    Reply reply) {
  // The dialog needs a display; the answer stands for what it returns.
  uint32_t answer = prompts_ < static_cast<int>(answers_.size()) ? answers_[prompts_] : 1u;
  ++prompts_;
  reply_runner->PostDelayedTask(FROM_HERE, base::BindOnce(std::move(reply), answer),
                                answer_delay_);
}

void RecordingProgressDelegate::SetTotalProgress(uint32_t value) {
  total = value;
}

void RecordingProgressDelegate::SetCurrentProgress(uint32_t value) {
  current = value;
}

void RecordingProgressDelegate::NotifyStalled(uint32_t code) {
  stalls.push_back(base::NumberToString(code));
}

RecordingDownloaderDelegate::RecordingDownloaderDelegate(std::vector<std::string>* events)
    : events_(events) {}

void RecordingDownloaderDelegate::OnChunkStarted(uint32_t size) {
  events_->push_back("chunk_started " + base::NumberToString(size));
}

void RecordingDownloaderDelegate::OnHttpStatus(uint32_t status) {
  events_->push_back("status " + base::NumberToString(status));
}

void RecordingDownloaderDelegate::OnRetry(uint32_t retry_count) {
  events_->push_back("retry " + base::NumberToString(retry_count));
}

void RecordingDownloaderDelegate::OnRequestCompleted(uint32_t error) {
  if (error)
    events_->push_back("error " + base::NumberToString(error));
}

void RecordingDownloaderDelegate::OnResponseTooLong(uint32_t extra_bytes) {
  events_->push_back("too_long " + base::NumberToString(extra_bytes));
}

void RecordingDownloaderDelegate::OnRedirected(const std::wstring& url) {
  events_->push_back("redirected " + base::WideToUTF8(url));
}

void RecordingDownloaderDelegate::OnProxyLoginNeeded() {
  events_->push_back("proxy_needed");
}

void RecordingDownloaderDelegate::OnProxyLoginResult(uint32_t result) {
  events_->push_back("proxy_result " + base::NumberToString(result));
}

}  // namespace velta::test
