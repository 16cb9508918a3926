// Copyright 2026 Velta Software. All rights reserved.

#ifndef BASE_HASH_BUILTIN_SHA1_H_
#define BASE_HASH_BUILTIN_SHA1_H_

#include <stddef.h>
#include <stdint.h>

#include <array>

namespace base {

// A streaming SHA-1 (FIPS 180-4) of our own, with no system call: the
// fallback where the system's CNG provider cannot be used. Feed the data with
// Update() in pieces of any size, then call Finish() once; the object is
// spent after that. Used on one thread at a time.
class BuiltinSha1 {
 public:
  static constexpr size_t kDigestLength = 20;

  BuiltinSha1();
  BuiltinSha1(const BuiltinSha1&) = delete;
  BuiltinSha1& operator=(const BuiltinSha1&) = delete;
  ~BuiltinSha1();

  void Update(const void* input, size_t length);
  std::array<uint8_t, kDigestLength> Finish();

 private:
  void ProcessBlock(const uint8_t* block);

  std::array<uint32_t, 5> state_;
  std::array<uint8_t, 64> buffer_;
  size_t buffered_ = 0;
  uint64_t total_bytes_ = 0;
};

}  // namespace base

#endif  // BASE_HASH_BUILTIN_SHA1_H_
