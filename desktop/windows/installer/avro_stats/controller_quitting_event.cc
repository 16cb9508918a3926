// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/avro_stats/controller_quitting_event.h"

#include "desktop/windows/installer/avro_stats/stats_value_writers.h"

namespace velta {

ControllerQuittingEvent::ControllerQuittingEvent(bool result, int32_t verbosity_level)
    : InstallerStatsEvent("controller_quitting", verbosity_level), result_(result) {}

ControllerQuittingEvent::~ControllerQuittingEvent() = default;

void ControllerQuittingEvent::FillEventFields(AvroValue* installer_event) const {
  WriteStatsBool(installer_event, "result", result_);
}

}  // namespace velta
