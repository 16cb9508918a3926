// Copyright 2026 Velta Software. All rights reserved.

#include "base/hash/sha1.h"

#include <memory>

#include "base/hash/secure_hash.h"

namespace base {

std::string SHA1HashString(std::string_view str) {
  std::string hash(kSHA1Length, '\0');
  if (!SHA1HashBytes(reinterpret_cast<const unsigned char*>(str.data()), str.size(),
                     reinterpret_cast<unsigned char*>(hash.data()))) {
    return std::string();
  }
  return hash;
}

bool SHA1HashBytes(const unsigned char* data, size_t len, unsigned char* hash) {
  std::unique_ptr<SecureHash> sha1 = SecureHash::Create(SecureHash::SHA1);
  return sha1 && sha1->Update(data, len) && sha1->Finish(hash, kSHA1Length);
}

}  // namespace base
