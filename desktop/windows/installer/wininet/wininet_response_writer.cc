// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/wininet/wininet_response_writer.h"

#include <windows.h>

#include <algorithm>
#include <string>
#include <utility>

#include "base/bind.h"
#include "base/hash/secure_hash.h"
#include "base/location.h"
#include "base/logging.h"
#include "base/threading/thread.h"
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

WrittenFileDigest::WrittenFileDigest() = default;
WrittenFileDigest::~WrittenFileDigest() = default;

void WrittenFileDigest::Release() {
  released_ = true;
  file_.Close();
}

WininetResponseWriter::WininetResponseWriter() : WininetResponseWriter(Options()) {}

WininetResponseWriter::WininetResponseWriter(Options options)
    : file_(INVALID_HANDLE_VALUE),
      max_pieces_behind_(std::max<size_t>(options.max_pieces_behind, 1)),
      make_hash_(std::move(options.make_hash)) {}

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

void WininetResponseWriter::HashInto(std::shared_ptr<WrittenFileDigest> digest) {
  digest_ = std::move(digest);
  hash_ = MakeHash();
  hash_failed_ = false;
  hashed_length_ = 0;
  // Hashed beside the writes, the body costs the download no time of its
  // own as long as hashing keeps pace with the network.
  hash_thread_ = std::make_unique<base::Thread>("Download hashing");
  if (!hash_thread_->Start())
    hash_thread_.reset();
}

void WininetResponseWriter::Hash(const uint8_t* data, uint32_t length) {
  hashed_length_ += length;
  if (!hash_thread_) {
    if (!hash_->Update(data, length))
      hash_failed_ = true;
    return;
  }
  {
    // The writes wait here while the hashing thread is too far behind, so
    // the copies queued for it stay bounded.
    base::AutoLock lock(queue_lock_);
    while (pieces_queued_ >= max_pieces_behind_)
      queue_shrank_.Wait();
    ++pieces_queued_;
  }
  hash_thread_->task_runner()->PostTask(
      FROM_HERE,
      base::BindOnce(&WininetResponseWriter::HashPiece, base::Unretained(this),
                     std::string(reinterpret_cast<const char*>(data), length)));
}

void WininetResponseWriter::HashPiece(const std::string& piece) {
  // The thread is stopped before the hash or this writer goes away, and
  // hash_failed_ is read only after that.
  if (!hash_->Update(piece.data(), piece.size()))
    hash_failed_ = true;
  {
    base::AutoLock lock(queue_lock_);
    --pieces_queued_;
  }
  queue_shrank_.Signal();
}

std::unique_ptr<base::SecureHash> WininetResponseWriter::MakeHash() const {
  return make_hash_ ? make_hash_.Run() : base::SecureHash::Create(base::SecureHash::SHA256);
}

void WininetResponseWriter::FinishHashing() {
  if (hash_thread_)
    hash_thread_->Stop();
  base::AutoLock lock(queue_lock_);
  pieces_queued_ = 0;
}

bool WininetResponseWriter::Write(const uint8_t* data, uint32_t length) {
  DWORD written = 0;
  if (file_ == INVALID_HANDLE_VALUE || !::WriteFile(file_, data, length, &written, nullptr) ||
      written != length) {
    DWORD error = ::GetLastError();
    // A short write without a system error still loses bytes.
    last_error_ = error ? error : ERROR_WRITE_FAULT;
    write_failed_ = true;
    PLOG(ERROR) << "Failed writing response to downloading file";
    return false;
  }
  if (hash_)
    Hash(data, length);
  return true;
}

void WininetResponseWriter::Close() {
  if (file_ == INVALID_HANDLE_VALUE)
    return;
  FinishHashing();
  hash_thread_.reset();
  LARGE_INTEGER size;
  if (hash_ && !hash_failed_ && !write_failed_ && !digest_->released_ &&
      ::GetFileSizeEx(file_, &size) &&
      size.QuadPart == hashed_length_ &&
      hash_->Finish(digest_->sha256_.data(), digest_->sha256_.size())) {
    // Every byte of the file is hashed: the digest takes the file, still
    // open and shared with nobody, so that it stays what was hashed.
    digest_->length_ = hashed_length_;
    digest_->file_.Set(file_);
  } else {
    ::CloseHandle(file_);
  }
  hash_.reset();
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
  if (hash_) {
    FinishHashing();
    hash_ = MakeHash();
    hash_failed_ = false;
    hashed_length_ = 0;
    if (hash_thread_ && !hash_thread_->Start())
      hash_thread_.reset();
  }
  return true;
}

StringResponseWriter::StringResponseWriter(std::string* target, size_t max_size)
    : target_(target), max_size_(max_size) {
  CHECK(target_);
  target_->clear();
}

StringResponseWriter::~StringResponseWriter() = default;

bool StringResponseWriter::Write(const uint8_t* data, uint32_t length) {
  if (length > max_size_ - target_->size()) {
    last_error_ = ERROR_FILE_TOO_LARGE;
    LOG(ERROR) << "Refused a reply longer than " << max_size_ << " bytes";
    return false;
  }
  target_->append(reinterpret_cast<const char*>(data), length);
  return true;
}

void StringResponseWriter::Close() {}

bool StringResponseWriter::Restart() {
  target_->clear();
  return true;
}

}  // namespace velta
