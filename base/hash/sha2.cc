// Copyright 2026 Velta Software. All rights reserved.

#include "base/hash/sha2.h"

#include <memory>

#include "base/hash/secure_hash.h"

namespace base {

std::array<uint8_t, kSHA256Length> SHA256Hash(std::span<const uint8_t> input) {
  std::array<uint8_t, kSHA256Length> digest;
  std::unique_ptr<SecureHash> sha256 = SecureHash::Create(SecureHash::SHA256);
  sha256->Update(input.data(), input.size());
  sha256->Finish(digest.data(), digest.size());
  return digest;
}

void SHA256HashString(std::string_view str, void* output, size_t len) {
  std::unique_ptr<SecureHash> sha256 = SecureHash::Create(SecureHash::SHA256);
  sha256->Update(str.data(), str.size());
  sha256->Finish(output, len);
}

std::string SHA256HashString(std::string_view str) {
  std::string digest(kSHA256Length, '\0');
  SHA256HashString(str, digest.data(), digest.size());
  return digest;
}

}  // namespace base
