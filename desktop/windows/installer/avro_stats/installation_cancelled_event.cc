// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/avro_stats/installation_cancelled_event.h"

#include "desktop/windows/installer/avro_stats/stats_value_writers.h"

namespace velta {

InstallationCancelledEvent::InstallationCancelledEvent(uint32_t counter, int32_t verbosity_level)
    : InstallerStatsEvent("installation_cancelled", verbosity_level), counter_(counter) {}

InstallationCancelledEvent::~InstallationCancelledEvent() = default;

void InstallationCancelledEvent::FillEventFields(AvroValue* installer_event) const {
  WriteStatsInt(installer_event, "counter", counter_);
}

}  // namespace velta
