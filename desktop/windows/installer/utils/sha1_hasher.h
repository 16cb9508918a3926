// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_UTILS_SHA1_HASHER_H_
#define DESKTOP_WINDOWS_INSTALLER_UTILS_SHA1_HASHER_H_

#include <stddef.h>
#include <stdint.h>

#include <array>

namespace velta {

// SHA-1 (FIPS 180-4) computed in process, for where CNG cannot be used.
// Feed bytes with Update in pieces of any size, then Finish once.
//
//   Sha1Hasher hasher;
//   hasher.Update(data, size);
//   Sha1Hasher::Digest digest = hasher.Finish();
class Sha1Hasher {
 public:
  static constexpr size_t kDigestSize = 20;
  using Digest = std::array<uint8_t, kDigestSize>;

  Sha1Hasher();
  Sha1Hasher(const Sha1Hasher&) = delete;
  Sha1Hasher& operator=(const Sha1Hasher&) = delete;
  ~Sha1Hasher();

  void Update(const void* data, size_t size);
  // Pads, returns the digest and starts over with an empty message.
  Digest Finish();

 private:
  static constexpr size_t kBlockSize = 64;

  void Reset();
  void ProcessBlock(const uint8_t* block);

  uint32_t state_[5];
  uint64_t length_bytes_ = 0;
  uint8_t buffer_[kBlockSize];
  size_t buffered_ = 0;
};

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_UTILS_SHA1_HASHER_H_
