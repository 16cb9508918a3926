// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/avro_stats/installer_step_finished_event.h"

#include "desktop/windows/installer/avro_stats/stats_value_writers.h"

namespace velta {

InstallerStepFinishedEvent::InstallerStepFinishedEvent(const std::string& description,
                                                       uint32_t counter,
                                                       int32_t verbosity_level)
    : InstallerStatsEvent("installer_step_finished", verbosity_level),
      description_(description),
      counter_(counter) {}

InstallerStepFinishedEvent::~InstallerStepFinishedEvent() = default;

void InstallerStepFinishedEvent::FillEventFields(AvroValue* installer_event) const {
  WriteStatsString(installer_event, "description", description_);
  WriteStatsInt(installer_event, "counter", counter_);
}

}  // namespace velta
