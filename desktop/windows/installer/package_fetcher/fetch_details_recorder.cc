// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/package_fetcher/fetch_details_recorder.h"

#include "base/strings/utf_string_conversions.h"
#include "base/time/time.h"

namespace velta {

namespace {

int64_t NowMs() {
  return (base::Time::Now() - base::Time::UnixEpoch()).InMilliseconds();
}

// The downloader's sizes are 32-bit: sign-extended, as the record keeps them.
int64_t SignExtend(uint32_t value) {
  return static_cast<int64_t>(static_cast<int32_t>(value));
}

}  // namespace

FetchDetailsRecorder::FetchDetailsRecorder() = default;
FetchDetailsRecorder::~FetchDetailsRecorder() = default;

FetchDetails* FetchDetailsRecorder::Current() {
  return records_.empty() ? nullptr : &records_.back();
}

void FetchDetailsRecorder::OnChunkStarted(uint32_t downloaded_size) {
  base::AutoLock lock(lock_);
  FetchDetails& record = records_.emplace_back();
  record.chunk_start = SignExtend(downloaded_size);
  record.chunk_number = chunk_counter_;
  record.chunk_start_time = NowMs();
}

void FetchDetailsRecorder::OnConnectedToServer(const std::string& address) {
  base::AutoLock lock(lock_);
  if (FetchDetails* record = Current())
    record->ip = address;
}

void FetchDetailsRecorder::OnRedirected(const std::wstring& url) {
  base::AutoLock lock(lock_);
  if (FetchDetails* record = Current())
    record->redirected_url = base::WideToUTF8(url);
}

void FetchDetailsRecorder::OnResponseHeader(const std::wstring& name, const std::wstring& value) {
  base::AutoLock lock(lock_);
  if (FetchDetails* record = Current())
    record->headers[base::WideToUTF8(name)] = base::WideToUTF8(value);
}

void FetchDetailsRecorder::OnRequestCompleted(uint32_t error) {
  base::AutoLock lock(lock_);
  if (FetchDetails* record = Current())
    record->wininet_error = error;
}

void FetchDetailsRecorder::OnHttpStatus(uint32_t status) {
  base::AutoLock lock(lock_);
  if (FetchDetails* record = Current())
    record->http_status = status;
}

void FetchDetailsRecorder::OnRetry(uint32_t retry_count) {
  base::AutoLock lock(lock_);
  if (FetchDetails* record = Current())
    record->retry_count = retry_count;
}

void FetchDetailsRecorder::OnChunkEnded(uint32_t downloaded_size) {
  base::AutoLock lock(lock_);
  if (FetchDetails* record = Current()) {
    record->chunk_end = SignExtend(downloaded_size);
    record->chunk_end_time = NowMs();
    ++chunk_counter_;
  }
}

void FetchDetailsRecorder::OnResponseTooLong(uint32_t extra_bytes) {
  base::AutoLock lock(lock_);
  if (FetchDetails* record = Current())
    record->response_too_long = SignExtend(extra_bytes);
}

void FetchDetailsRecorder::OnProxyLoginNeeded() {
  base::AutoLock lock(lock_);
  if (FetchDetails* record = Current())
    record->proxy_login_needed = true;
}

void FetchDetailsRecorder::OnProxyLoginResult(uint32_t result) {
  base::AutoLock lock(lock_);
  if (FetchDetails* record = Current())
    record->proxy_login_result = result;
}

void FetchDetailsRecorder::OnNullRequestContext() {
  base::AutoLock lock(lock_);
  if (FetchDetails* record = Current())
    record->null_request_context = true;
}

std::vector<FetchDetails> FetchDetailsRecorder::GetFetchDetails() {
  base::AutoLock lock(lock_);
  return records_;
}

FetchSummaryRecorder::FetchSummaryRecorder() = default;
FetchSummaryRecorder::~FetchSummaryRecorder() = default;

void FetchSummaryRecorder::OnRequestCompleted(uint32_t error) {
  base::AutoLock lock(lock_);
  record_.wininet_error = error;
}

void FetchSummaryRecorder::OnHttpStatus(uint32_t status) {
  base::AutoLock lock(lock_);
  record_.http_status = status;
}

void FetchSummaryRecorder::OnProxyLoginNeeded() {
  base::AutoLock lock(lock_);
  record_.proxy_login_needed = true;
}

void FetchSummaryRecorder::OnProxyLoginResult(uint32_t result) {
  base::AutoLock lock(lock_);
  record_.proxy_login_result = result;
}

void FetchSummaryRecorder::OnNullRequestContext() {
  base::AutoLock lock(lock_);
  record_.null_request_context = true;
}

std::vector<FetchDetails> FetchSummaryRecorder::GetFetchDetails() {
  base::AutoLock lock(lock_);
  return {record_};
}

}  // namespace velta
