// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_WININET_WININET_RESPONSE_WRITER_H_
#define DESKTOP_WINDOWS_INSTALLER_WININET_WININET_RESPONSE_WRITER_H_

#include <stdint.h>

#include <array>
#include <limits>
#include <memory>
#include <string>

#include "base/callback.h"
#include "base/files/file_path.h"
#include "base/hash/sha2.h"
#include "base/synchronization/condition_variable.h"
#include "base/synchronization/lock.h"
#include "base/win/scoped_handle.h"
#include "desktop/windows/installer/wininet/response_writer.h"

namespace base {
class SecureHash;
class Thread;
}

namespace velta {

// The SHA-256 of everything a WininetResponseWriter's file took, from its
// first byte (a Restart starts it again), and the file itself: when the
// writer is done it hands its handle over instead of closing it, and the
// handle shares nothing, so until Release() nobody can change, cut or
// replace the file and the digest stays the digest of the file's content.
// The download's checksum is then had without reading the file again.
// Filled on the writer's thread; read there after the download.
class WrittenFileDigest {
 public:
  WrittenFileDigest();
  WrittenFileDigest(const WrittenFileDigest&) = delete;
  WrittenFileDigest& operator=(const WrittenFileDigest&) = delete;
  ~WrittenFileDigest();

  // True from the writer's Close(), after every write had succeeded, to
  // Release().
  bool complete() const { return file_.IsValid(); }
  const std::array<uint8_t, base::kSHA256Length>& sha256() const { return sha256_; }
  int64_t length() const { return length_; }

  // Closes the file: others may open it again, and the digest is no longer
  // complete. A writer still open takes nothing from then on: its Close()
  // closes the file itself, so that a download stopped after its owner let
  // go never leaves the file open (and its folder undeletable) for as long
  // as the writer lives.
  void Release();

 private:
  friend class WininetResponseWriter;

  bool released_ = false;
  base::win::ScopedHandle file_;
  std::array<uint8_t, base::kSHA256Length> sha256_ = {};
  int64_t length_ = 0;
};

// Writes a response body into a file (the package, an additional file, the
// preference default overrides). Open it before handing it to the
// downloader; the file is closed by Close() or the destructor.
class WininetResponseWriter : public ResponseWriter {
 public:
  // Pieces a download's reads hand over are at most 64 KiB each: 16 behind
  // holds at most 1 MiB of copies while the hashing catches up.
  static constexpr size_t kDefaultMaxPiecesBehind = 16;

  struct Options {
    // How many written pieces may wait for the hashing thread before Write
    // waits for it: a disk and network faster than the hash never make the
    // copies grow without limit. At least 1.
    size_t max_pieces_behind = kDefaultMaxPiecesBehind;
    // Makes each hash HashInto and Restart start; SHA-256 when null.
    base::RepeatingCallback<std::unique_ptr<base::SecureHash>()> make_hash;
  };

  WininetResponseWriter();
  explicit WininetResponseWriter(Options options);
  WininetResponseWriter(const WininetResponseWriter&) = delete;
  WininetResponseWriter& operator=(const WininetResponseWriter&) = delete;
  ~WininetResponseWriter() override;

  // Creates or truncates `path`, not shared with anyone. False (logged) when
  // it cannot be opened.
  bool Open(const base::FilePath& path);

  // Hashes every byte written from now on into `digest`; Close() then
  // completes it and hands it the open file, unless the hash provider failed.
  // Call after Open() and before the first Write(). The hashing runs on a
  // thread of its own beside the writes (a copy of each piece waits there for
  // its turn).
  void HashInto(std::shared_ptr<WrittenFileDigest> digest);

  bool Write(const uint8_t* data, uint32_t length) override;
  void Close() override;
  // Truncates the file to nothing and writes again from its start.
  bool Restart() override;

 private:
  void* file_;
  std::shared_ptr<WrittenFileDigest> digest_;
  void Hash(const uint8_t* data, uint32_t length);
  // Waits until every piece handed to the hashing thread is hashed.
  void FinishHashing();
  // On the hashing thread.
  void HashPiece(const std::string& piece);
  std::unique_ptr<base::SecureHash> MakeHash() const;

  const size_t max_pieces_behind_;
  const base::RepeatingCallback<std::unique_ptr<base::SecureHash>()> make_hash_;

  // Used on hash_thread_ while it runs, else on the writer's thread.
  std::unique_ptr<base::SecureHash> hash_;
  // Null when no thread could be started: the writes hash then.
  std::unique_ptr<base::Thread> hash_thread_;
  int64_t hashed_length_ = 0;
  // Pieces handed to the hashing thread and not hashed yet.
  base::Lock queue_lock_;
  base::ConditionVariable queue_shrank_{&queue_lock_};
  size_t pieces_queued_ = 0;
  // A write failed: the file is not the body, and no digest is completed.
  bool write_failed_ = false;
  // The hash provider failed (on hash_thread_ while it runs): no digest is
  // completed, and the file's checksum is taken by reading it again.
  bool hash_failed_ = false;
};

// Appends a response body to a string the caller owns and keeps alive for
// the writer's life.
class StringResponseWriter : public ResponseWriter {
 public:
  // Empties `*target` at once, so a reused string never keeps an older reply.
  // A body longer than `max_size` bytes is refused: the Write that would
  // pass it fails (ERROR_FILE_TOO_LARGE), so that a server cannot make the
  // reply take memory without bound.
  explicit StringResponseWriter(std::string* target,
                                size_t max_size = std::numeric_limits<size_t>::max());
  StringResponseWriter(const StringResponseWriter&) = delete;
  StringResponseWriter& operator=(const StringResponseWriter&) = delete;
  ~StringResponseWriter() override;

  bool Write(const uint8_t* data, uint32_t length) override;
  void Close() override;
  bool Restart() override;

 private:
  std::string* const target_;
  const size_t max_size_;
};

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_WININET_WININET_RESPONSE_WRITER_H_
