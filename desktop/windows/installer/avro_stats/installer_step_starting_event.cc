// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/avro_stats/installer_step_starting_event.h"

#include "desktop/windows/installer/avro_stats/stats_value_writers.h"

namespace velta {

InstallerStepStartingEvent::InstallerStepStartingEvent(const std::string& description,
                                                       int32_t verbosity_level)
    : InstallerStatsEvent("installer_step_starting", verbosity_level), description_(description) {}

InstallerStepStartingEvent::~InstallerStepStartingEvent() = default;

void InstallerStepStartingEvent::FillEventFields(AvroValue* installer_event) const {
  WriteStatsString(installer_event, "description", description_);
}

}  // namespace velta
