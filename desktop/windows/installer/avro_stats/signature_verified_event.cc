// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/avro_stats/signature_verified_event.h"

namespace velta {

SignatureVerifiedEvent::SignatureVerifiedEvent(int32_t verbosity_level)
    : InstallerStatsEvent("signature_verified", verbosity_level) {}

SignatureVerifiedEvent::~SignatureVerifiedEvent() = default;

void SignatureVerifiedEvent::FillEventFields(AvroValue* /*installer_event*/) const {}

}  // namespace velta
