// Copyright 2026 Velta Software. All rights reserved.

#include "velta_components/avro/payload_signer.h"

namespace velta {

PayloadSigner*& GetPayloadSigner() {
  static PayloadSigner* signer = nullptr;
  return signer;
}

}  // namespace velta
