// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/wininet/wininet_response_writer.h"

#include <windows.h>

#include "base/logging.h"
#include "desktop/windows/installer/wininet/downloader.h"

namespace velta {

// The do-nothing delegate: downloads whose details nobody records use it.
DownloaderDelegate::~DownloaderDelegate() = default;
void DownloaderDelegate::OnChunkStarted(uint32_t) {}
void DownloaderDelegate::OnConnectedToServer(const std::string&) {}
void DownloaderDelegate::OnRedirected(const std::wstring&) {}
void DownloaderDelegate::OnResponseHeader(const std::wstring&, const std::wstring&) {}
void DownloaderDelegate::OnRequestCompleted(uint32_t) {}
void DownloaderDelegate::OnHttpStatus(uint32_t) {}
void DownloaderDelegate::OnRetry(uint32_t) {}
void DownloaderDelegate::OnChunkEnded(uint32_t) {}
void DownloaderDelegate::OnResponseTooLong(uint32_t) {}
void DownloaderDelegate::OnProxyLoginNeeded() {}
void DownloaderDelegate::OnProxyLoginResult(uint32_t) {}
void DownloaderDelegate::OnNullRequestContext() {}
std::vector<FetchDetails> DownloaderDelegate::GetFetchDetails() {
  return {};
}

WininetResponseWriter::WininetResponseWriter() : file_(INVALID_HANDLE_VALUE) {}

WininetResponseWriter::~WininetResponseWriter() {
  Close();
}

bool WininetResponseWriter::Open(const base::FilePath& path) {
  Close();
  file_ = ::CreateFileW(path.value().c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                        FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file_ == INVALID_HANDLE_VALUE) {
    PLOG(ERROR) << "Could not open download file for writing";
    return false;
  }
  return true;
}

bool WininetResponseWriter::Write(const uint8_t* data, uint32_t length) {
  DWORD written = 0;
  if (file_ == INVALID_HANDLE_VALUE || !::WriteFile(file_, data, length, &written, nullptr) ||
      written != length) {
    DWORD error = ::GetLastError();
    // A short write without a system error still loses bytes.
    last_error_ = error ? error : ERROR_WRITE_FAULT;
    PLOG(ERROR) << "Failed writing response to downloading file";
    return false;
  }
  return true;
}

void WininetResponseWriter::Close() {
  if (file_ != INVALID_HANDLE_VALUE)
    ::CloseHandle(file_);
  file_ = INVALID_HANDLE_VALUE;
}

bool WininetResponseWriter::Restart() {
  if (file_ == INVALID_HANDLE_VALUE ||
      ::SetFilePointer(file_, 0, nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER ||
      !::SetEndOfFile(file_)) {
    last_error_ = ::GetLastError();
    PLOG(ERROR) << "Cannot start the download file again";
    return false;
  }
  return true;
}

StringResponseWriter::StringResponseWriter(std::string* target) : target_(target) {
  CHECK(target_);
  target_->clear();
}

StringResponseWriter::~StringResponseWriter() = default;

bool StringResponseWriter::Write(const uint8_t* data, uint32_t length) {
  target_->append(reinterpret_cast<const char*>(data), length);
  return true;
}

void StringResponseWriter::Close() {}

bool StringResponseWriter::Restart() {
  target_->clear();
  return true;
}

}  // namespace velta
