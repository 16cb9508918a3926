// Copyright 2026 Velta Software. All rights reserved.

#ifndef BASE_HASH_SHA1_H_
#define BASE_HASH_SHA1_H_

#include <cstddef>
#include <string>
#include <string_view>

namespace base {

// SHA-1 digests (through SecureHash, so over CNG). Used to check files
// against manifests of known digests, not for security decisions. Any
// thread.

inline constexpr size_t kSHA1Length = 20;

// The 20 raw digest bytes of `str`; empty when the hash provider fails.
std::string SHA1HashString(std::string_view str);

// Writes the kSHA1Length digest bytes of `data` to `hash`; false, leaving
// `hash` untouched, when the hash provider fails.
bool SHA1HashBytes(const unsigned char* data, size_t len, unsigned char* hash);

}  // namespace base

#endif  // BASE_HASH_SHA1_H_
