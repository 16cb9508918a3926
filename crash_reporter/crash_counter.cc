// Copyright 2026 Velta Software. All rights reserved.

#include "crash_reporter/crash_counter.h"

#include <windows.h>

#include <optional>

#include "base/files/file.h"
#include "base/time/time.h"
#include "crash_reporter/crash_counts_text.h"

namespace velta {
namespace {

// Failed merges in a row after which the thread waits for the next
// increment instead of retrying.
constexpr int kMaxRetries = 9;
constexpr int kFinalAttempts = 10;
constexpr int kReadPieceBytes = 1024;

int WriteThroughFile(base::File* file, int64_t offset, const char* data, int size) {
  return file->Write(offset, data, size);
}

// Holds the whole-file lock of an open file until destroyed.
class ScopedFileLock {
 public:
  explicit ScopedFileLock(HANDLE file) : file_(file) {
    OVERLAPPED overlapped = {};
    locked_ = ::LockFileEx(file_, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, MAXDWORD,
                           MAXDWORD, &overlapped) != FALSE;
  }
  ScopedFileLock(const ScopedFileLock&) = delete;
  ScopedFileLock& operator=(const ScopedFileLock&) = delete;
  ~ScopedFileLock() {
    if (locked_) {
      OVERLAPPED overlapped = {};
      ::UnlockFileEx(file_, 0, MAXDWORD, MAXDWORD, &overlapped);
    }
  }
  bool locked() const { return locked_; }

 private:
  HANDLE file_;
  bool locked_ = false;
};

}  // namespace

CrashCounter::CrashCounter(const base::FilePath& path, FileWriter writer)
    : path_(path), writer_(writer ? writer : &WriteThroughFile) {
  wake_event_.Set(::CreateEventW(nullptr, FALSE, FALSE, nullptr));
  thread_started_ = base::PlatformThread::Create(0, this, &thread_);
}

CrashCounter::~CrashCounter() {
  stop_.store(true);
  if (thread_started_) {
    ::SetEvent(wake_event_.Get());
    base::PlatformThread::Join(thread_);
  }
}

void CrashCounter::Increment(const std::string& name, int32_t count, bool wake) {
  {
    base::AutoLock hold(lock_);
    pending_[name] += count;
  }
  if (wake)
    ::SetEvent(wake_event_.Get());
}

void CrashCounter::ThreadMain() {
  int failures = 0;
  ::WaitForSingleObject(wake_event_.Get(), INFINITE);
  while (!stop_.load()) {
    if (Flush()) {
      failures = 0;
    } else if (++failures <= kMaxRetries) {
      ::SetEvent(wake_event_.Get());
      base::PlatformThread::Sleep(base::TimeDelta::FromMilliseconds(100));
    } else {
      failures = 0;
    }
    ::WaitForSingleObject(wake_event_.Get(), INFINITE);
  }
  for (int attempt = 0; attempt < kFinalAttempts; ++attempt) {
    {
      base::AutoLock hold(lock_);
      if (pending_.empty())
        return;
    }
    if (Flush())
      return;
    base::PlatformThread::Sleep(base::TimeDelta::FromMilliseconds(50));
  }
}

bool CrashCounter::Flush() {
  std::map<std::string, int32_t> taken;
  {
    base::AutoLock hold(lock_);
    taken.swap(pending_);
  }
  if (taken.empty())
    return true;

  bool written = false;
  if (!path_.empty()) {
    base::File file(path_, base::File::FLAG_OPEN_ALWAYS | base::File::FLAG_READ |
                               base::File::FLAG_WRITE);
    if (file.IsValid()) {
      ScopedFileLock file_lock(file.GetPlatformFile());
      std::map<std::string, int64_t> counts;
      std::string old_text;
      // Read under the lock even when this open created the file: another
      // process may have opened it, taken the lock and written its counts
      // between our open and our lock.
      if (file_lock.locked() && ReadCounts(&file, &counts, &old_text)) {
        for (const auto& [name, count] : taken)
          counts[name] += count;
        written = WriteCounts(&file, counts, old_text);
      }
    }
  }
  if (!written) {
    base::AutoLock hold(lock_);
    for (const auto& [name, count] : taken)
      pending_[name] += count;
  }
  return written;
}

bool CrashCounter::ReadCounts(base::File* file, std::map<std::string, int64_t>* counts,
                              std::string* text) {
  counts->clear();
  text->clear();
  const int64_t length = file->GetLength();
  if (length == 0)
    return true;
  if (length < 0 || length > kMaxFileBytes || file->Seek(base::File::FROM_BEGIN, 0) != 0)
    return false;
  char piece[kReadPieceBytes];
  for (;;) {
    const int read = file->ReadAtCurrentPos(piece, kReadPieceBytes);
    if (read < 0)
      return false;
    if (read == 0)
      break;
    text->append(piece, static_cast<size_t>(read));
    // The length read before is no bound on what the reads give.
    if (static_cast<int64_t>(text->size()) > kMaxFileBytes)
      return false;
  }
  return ParseCrashCounts(*text, counts);
}

bool CrashCounter::WriteCounts(base::File* file, const std::map<std::string, int64_t>& counts,
                               const std::string& old_text) {
  std::string text;
  if (!CrashCountsToText(counts, &text))
    return false;
  if (!file->SetLength(0))
    return false;
  // Only a complete write counts. A short one would leave cut JSON that no
  // later merge could read: the old text goes back (as far as the disk
  // allows) and the new counts stay pending.
  const int size = static_cast<int>(text.size());
  if (writer_(file, 0, text.data(), size) == size)
    return true;
  if (file->SetLength(0) && !old_text.empty())
    file->Write(0, old_text.data(), static_cast<int>(old_text.size()));
  return false;
}

const char* GetCrashCounterNameKey() {
  return "crash_counter_name";
}

const char* GetDefaultCrashCounterName() {
  return "unknown";
}

}  // namespace velta
