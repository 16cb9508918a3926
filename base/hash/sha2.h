// Copyright 2026 Velta Software. All rights reserved.

#ifndef BASE_HASH_SHA2_H_
#define BASE_HASH_SHA2_H_

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace base {

// SHA-256 digests in one call (through SecureHash, so over CNG). Any thread.
// A hash provider that fails is reported, never fatal.

inline constexpr size_t kSHA256Length = 32;

// Nothing when the hash provider fails (logged).
std::optional<std::array<uint8_t, kSHA256Length>> SHA256Hash(std::span<const uint8_t> input);

// Writes the first min(len, kSHA256Length) digest bytes of `str` to `output`;
// false, leaving `output` untouched, when the hash provider fails.
bool SHA256HashString(std::string_view str, void* output, size_t len);

// The 32 raw digest bytes of `str`; empty when the hash provider fails.
std::string SHA256HashString(std::string_view str);

}  // namespace base

#endif  // BASE_HASH_SHA2_H_
