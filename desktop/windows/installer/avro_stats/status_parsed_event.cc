// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/avro_stats/status_parsed_event.h"

namespace velta {

StatusParsedEvent::StatusParsedEvent(const StatusData& status_data, int32_t verbosity_level)
    : InstallerStatsEvent("status_parsed", verbosity_level), status_data_(status_data) {}

StatusParsedEvent::~StatusParsedEvent() = default;

void StatusParsedEvent::FillEventFields(AvroValue* installer_event) const {
  WriteStatusData(status_data_, "status_data", installer_event);
}

}  // namespace velta
