// Copyright 2026 Velta Software. All rights reserved.

#ifndef VELTA_COMPONENTS_AVRO_PAYLOAD_SIGNER_H_
#define VELTA_COMPONENTS_AVRO_PAYLOAD_SIGNER_H_

#include <string>

namespace velta {

// Signs and verifies the payloads of the value serializer's signed envelope.
class PayloadSigner {
 public:
  virtual ~PayloadSigner() = default;

  // Writes the signature of `payload` under `key` to `signature`. False
  // (logged) when it cannot be made; `signature` is then empty.
  virtual bool Sign(std::string* signature, const std::string& payload, const std::string& key) = 0;
  virtual bool Verify(const std::string& signature,
                      const std::string& payload,
                      const std::string& key) = 0;
};

// The process-wide signer slot, empty until someone installs a signer (the
// shipped installer installs none and never signs). The serializer only
// reads it; whoever installs a signer owns it and empties the slot before
// the signer dies.
PayloadSigner*& GetPayloadSigner();

}  // namespace velta

#endif  // VELTA_COMPONENTS_AVRO_PAYLOAD_SIGNER_H_
