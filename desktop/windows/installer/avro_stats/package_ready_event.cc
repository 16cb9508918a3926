// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/avro_stats/package_ready_event.h"

namespace velta {

PackageReadyEvent::PackageReadyEvent(int32_t verbosity_level)
    : InstallerStatsEvent("package_ready", verbosity_level) {}

PackageReadyEvent::~PackageReadyEvent() = default;

void PackageReadyEvent::FillEventFields(AvroValue* /*installer_event*/) const {}

}  // namespace velta
