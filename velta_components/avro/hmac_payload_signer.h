// Copyright 2026 Velta Software. All rights reserved.

#ifndef VELTA_COMPONENTS_AVRO_HMAC_PAYLOAD_SIGNER_H_
#define VELTA_COMPONENTS_AVRO_HMAC_PAYLOAD_SIGNER_H_

#include <string>

#include "velta_components/avro/payload_signer.h"

namespace velta {

// HMAC-SHA256 over the system's CNG provider (base's SecureHash): the
// signature is the 32-byte MAC of the payload with the key as the secret. A
// provider that fails signs nothing and verifies nothing.
class HmacPayloadSigner : public PayloadSigner {
 public:
  HmacPayloadSigner() = default;
  HmacPayloadSigner(const HmacPayloadSigner&) = delete;
  HmacPayloadSigner& operator=(const HmacPayloadSigner&) = delete;
  ~HmacPayloadSigner() override = default;

  // PayloadSigner:
  bool Sign(std::string* signature, const std::string& payload, const std::string& key) override;
  // Compares in time independent of where the signatures differ.
  bool Verify(const std::string& signature,
              const std::string& payload,
              const std::string& key) override;
};

}  // namespace velta

#endif  // VELTA_COMPONENTS_AVRO_HMAC_PAYLOAD_SIGNER_H_
