// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/avro_stats/checksum_verified_event.h"

namespace velta {

ChecksumVerifiedEvent::ChecksumVerifiedEvent(int32_t verbosity_level)
    : InstallerStatsEvent("checksum_verified", verbosity_level) {}

ChecksumVerifiedEvent::~ChecksumVerifiedEvent() = default;

void ChecksumVerifiedEvent::FillEventFields(AvroValue* /*installer_event*/) const {}

}  // namespace velta
