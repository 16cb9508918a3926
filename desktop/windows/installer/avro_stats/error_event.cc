// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/avro_stats/error_event.h"

#include "desktop/windows/installer/avro_stats/stats_value_writers.h"

namespace velta {

ErrorEvent::ErrorEvent(const std::string& description, int32_t verbosity_level)
    : InstallerStatsEvent("error", verbosity_level), description_(description) {}

ErrorEvent::~ErrorEvent() = default;

void ErrorEvent::FillEventFields(AvroValue* installer_event) const {
  WriteStatsString(installer_event, "description", description_);
}

}  // namespace velta
