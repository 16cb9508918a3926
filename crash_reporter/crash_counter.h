// Copyright 2026 Velta Software. All rights reserved.

#ifndef CRASH_REPORTER_CRASH_COUNTER_H_
#define CRASH_REPORTER_CRASH_COUNTER_H_

#include <stdint.h>

#include <atomic>
#include <map>
#include <string>

#include "base/files/file_path.h"
#include "base/synchronization/lock.h"
#include "base/threading/platform_thread.h"
#include "base/win/scoped_handle.h"

namespace base {
class File;
}

namespace velta {

// Counts handled crashes by name in a small JSON file ({"browser":2,...},
// compact, keys in order), shared by every process that counts into it.
// Increment only notes the count in memory; the counter's own thread merges
// what is pending into the file under a whole-file lock, retrying while the
// file is busy, and puts the counts back when a merge fails, so no count is
// lost while the object lives. The destructor writes what is still pending
// (up to 10 attempts) and joins the thread.
class CrashCounter : public base::PlatformThread::Delegate {
 public:
  // Writes `size` bytes at `offset`; returns the bytes written or -1. The
  // counter's file writes go through it, so a test can make a write short.
  using FileWriter = int (*)(base::File* file, int64_t offset, const char* data, int size);

  // A file larger than this is not read (nor written): no file of counts
  // grows this big, and the whole text is held in memory while merging.
  static constexpr int64_t kMaxFileBytes = 1024 * 1024;

  // Starts the thread at once. An empty `path` keeps the counts in memory.
  explicit CrashCounter(const base::FilePath& path, FileWriter writer = nullptr);
  CrashCounter(const CrashCounter&) = delete;
  CrashCounter& operator=(const CrashCounter&) = delete;
  ~CrashCounter() override;

  // Adds `count` to the pending count of `name`; with `wake` the thread
  // merges soon. Any thread; never touches the file.
  void Increment(const std::string& name, int32_t count = 1, bool wake = true);

 private:
  // base::PlatformThread::Delegate.
  void ThreadMain() override;

  bool Flush();
  // Reads the file's counts and keeps its text in `text`. False for a file
  // that is not a JSON dictionary or is larger than kMaxFileBytes.
  bool ReadCounts(base::File* file, std::map<std::string, int64_t>* counts, std::string* text);
  // Replaces the file's text by `counts`; on a short write puts `old_text`
  // back and fails.
  bool WriteCounts(base::File* file, const std::map<std::string, int64_t>& counts,
                   const std::string& old_text);

  const base::FilePath path_;
  const FileWriter writer_;
  base::win::ScopedHandle wake_event_;
  base::Lock lock_;
  std::map<std::string, int32_t> pending_;
  std::atomic<bool> stop_{false};
  base::PlatformThreadHandle thread_;
  bool thread_started_ = false;
};

// The simple-annotation key under which a client names itself for counting,
// and the name the handler counts a client under that gave none.
const char* GetCrashCounterNameKey();
const char* GetDefaultCrashCounterName();

}  // namespace velta

#endif  // CRASH_REPORTER_CRASH_COUNTER_H_
