// Copyright 2026 Velta Software. All rights reserved.

#include "velta_components/avro/hmac_payload_signer.h"

#include <memory>

#include "base/hash/secure_hash.h"
#include "base/logging.h"

namespace velta {

namespace {

constexpr size_t kMacLength = 32;

// The MAC of `payload` under `key`, or an empty string when the provider
// fails (logged; an empty signature never verifies).
std::string ComputeMac(const std::string& payload, const std::string& key) {
  std::unique_ptr<base::SecureHash> hmac =
      base::SecureHash::CreateHmac(base::SecureHash::SHA256, key);
  std::string mac(kMacLength, '\0');
  if (!hmac || !hmac->Update(payload.data(), payload.size()) ||
      !hmac->Finish(mac.data(), mac.size())) {
    LOG(ERROR) << "Cannot compute the HMAC of a payload: the hash provider failed";
    return std::string();
  }
  return mac;
}

}  // namespace

bool HmacPayloadSigner::Sign(std::string* signature,
                             const std::string& payload,
                             const std::string& key) {
  *signature = ComputeMac(payload, key);
  return !signature->empty();
}

bool HmacPayloadSigner::Verify(const std::string& signature,
                               const std::string& payload,
                               const std::string& key) {
  const std::string expected = ComputeMac(payload, key);
  if (expected.empty() || signature.size() != expected.size())
    return false;
  unsigned char difference = 0;
  for (size_t i = 0; i < expected.size(); ++i)
    difference |= static_cast<unsigned char>(signature[i] ^ expected[i]);
  return difference == 0;
}

}  // namespace velta
