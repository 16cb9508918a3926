// Copyright 2026 Velta Software. All rights reserved.

#ifndef BASE_HASH_SECURE_HASH_H_
#define BASE_HASH_SECURE_HASH_H_

#include <cstddef>
#include <memory>

namespace base {

class FilePath;

// A streaming SHA-1 or SHA-256 digest over the system's CNG provider (no
// cryptography of our own). Feed the data with Update() in pieces of any
// size, then call Finish() once; the object is spent after that.
//
// An object is used on one thread at a time; separate objects may run on
// separate threads. The algorithm providers are opened on first use and kept
// for the life of the process. Every supported Windows version provides both
// algorithms, so a provider failure is a broken system and CHECKs.
class SecureHash {
 public:
  enum Algorithm {
    SHA1,
    SHA256,
  };

  static std::unique_ptr<SecureHash> Create(Algorithm type);

  SecureHash(const SecureHash&) = delete;
  SecureHash& operator=(const SecureHash&) = delete;
  virtual ~SecureHash() = default;

  virtual void Update(const void* input, size_t len) = 0;
  // Writes the first min(len, GetHashLength()) bytes of the digest.
  virtual void Finish(void* output, size_t len) = 0;
  // An independent hash of the data seen so far; both go on separately.
  virtual std::unique_ptr<SecureHash> Clone() const = 0;
  // 20 for SHA-1, 32 for SHA-256.
  virtual size_t GetHashLength() const = 0;

 protected:
  SecureHash() = default;
};

// Digests the content of the file at `path` with `type`, read in blocks, and
// writes the first min(len, digest length) bytes of the digest to `output`.
// False, leaving `output` untouched, when the file cannot be opened or read,
// or when CNG fails while hashing: that failure is logged with its NTSTATUS
// and never yields a digest of part of the file. Blocks on file reads.
bool HashFileContents(SecureHash::Algorithm type, const FilePath& path, void* output, size_t len);

}  // namespace base

#endif  // BASE_HASH_SECURE_HASH_H_
