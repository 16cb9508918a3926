// Copyright 2026 Velta Software. All rights reserved.

#ifndef BASE_HASH_SECURE_HASH_H_
#define BASE_HASH_SECURE_HASH_H_

#include <cstddef>
#include <memory>
#include <string_view>

namespace base {

class FilePath;

// A streaming SHA-1 or SHA-256 digest, or HMAC, over the system's CNG
// provider (no cryptography of our own). Feed the data with Update() in
// pieces of any size, then call Finish() once; the object is spent after
// that.
//
// An object is used on one thread at a time; separate objects may run on
// separate threads. The algorithm providers are opened on first use and kept
// for the life of the process. A provider that fails (a damaged system, or a
// test's failing provider) is logged with its NTSTATUS and reported to the
// caller: Create gives null, Update and Finish false, so that a
// verification fails as a step and never ends the process.
class SecureHash {
 public:
  enum Algorithm {
    SHA1,
    SHA256,
  };

  // Null when the provider cannot make a hash.
  static std::unique_ptr<SecureHash> Create(Algorithm type);
  // The HMAC of `type` under `key`; null when the provider cannot make one.
  static std::unique_ptr<SecureHash> CreateHmac(Algorithm type, std::string_view key);

  // Makes every later Create and CreateHmac call `factory` instead (the key
  // is not passed on); null puts the system's provider back. Returns the
  // factory in place before. For tests (base/test/scoped_failing_hash.h).
  using FactoryForTesting = std::unique_ptr<SecureHash> (*)(Algorithm type);
  static FactoryForTesting SetFactoryForTesting(FactoryForTesting factory);

  SecureHash(const SecureHash&) = delete;
  SecureHash& operator=(const SecureHash&) = delete;
  virtual ~SecureHash() = default;

  // False when the provider failed; the object is spent then.
  virtual bool Update(const void* input, size_t len) = 0;
  // Writes the first min(len, GetHashLength()) bytes of the digest. False,
  // leaving `output` untouched, when the provider failed now or before.
  virtual bool Finish(void* output, size_t len) = 0;
  // An independent hash of the data seen so far; both go on separately.
  // Null when the provider cannot copy it.
  virtual std::unique_ptr<SecureHash> Clone() const = 0;
  // 20 for SHA-1, 32 for SHA-256.
  virtual size_t GetHashLength() const = 0;

 protected:
  SecureHash() = default;
};

// Digests the content of the file at `path` with `type`, read in blocks, and
// writes the first min(len, digest length) bytes of the digest to `output`.
// False, leaving `output` untouched, when the file cannot be opened or read,
// or when the provider fails: that failure is logged and never yields a
// digest of part of the file. Blocks on file reads.
bool HashFileContents(SecureHash::Algorithm type, const FilePath& path, void* output, size_t len);

}  // namespace base

#endif  // BASE_HASH_SECURE_HASH_H_
