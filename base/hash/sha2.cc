// Copyright 2026 Velta Software. All rights reserved.

#include "base/hash/sha2.h"

#include <memory>

#include "base/hash/secure_hash.h"

namespace base {

std::optional<std::array<uint8_t, kSHA256Length>> SHA256Hash(std::span<const uint8_t> input) {
  std::array<uint8_t, kSHA256Length> digest;
  if (!SHA256HashString(
          std::string_view(reinterpret_cast<const char*>(input.data()), input.size()),
          digest.data(), digest.size())) {
    return std::nullopt;
  }
  return digest;
}

bool SHA256HashString(std::string_view str, void* output, size_t len) {
  std::unique_ptr<SecureHash> sha256 = SecureHash::Create(SecureHash::SHA256);
  return sha256 && sha256->Update(str.data(), str.size()) && sha256->Finish(output, len);
}

std::string SHA256HashString(std::string_view str) {
  std::string digest(kSHA256Length, '\0');
  if (!SHA256HashString(str, digest.data(), digest.size()))
    return std::string();
  return digest;
}

}  // namespace base
