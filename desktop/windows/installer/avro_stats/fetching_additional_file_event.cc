// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/avro_stats/fetching_additional_file_event.h"

#include "desktop/windows/installer/avro_stats/stats_value_writers.h"

namespace velta {

FetchingAdditionalFileEvent::FetchingAdditionalFileEvent(const std::string& description,
                                                         int32_t verbosity_level)
    : InstallerStatsEvent("fetching_additional_file", verbosity_level), description_(description) {}

FetchingAdditionalFileEvent::~FetchingAdditionalFileEvent() = default;

void FetchingAdditionalFileEvent::FillEventFields(AvroValue* installer_event) const {
  WriteStatsString(installer_event, "description", description_);
}

}  // namespace velta
