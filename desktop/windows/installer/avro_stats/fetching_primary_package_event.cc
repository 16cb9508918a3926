// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/avro_stats/fetching_primary_package_event.h"

#include <utility>

#include "desktop/windows/installer/avro_stats/stats_value_writers.h"

namespace velta {

FetchingPrimaryPackageEvent::FetchingPrimaryPackageEvent(const std::string& description,
                                                         std::vector<FetchDetails> fetch_details,
                                                         int32_t verbosity_level)
    : InstallerStatsEvent("fetching_primary_package", verbosity_level),
      description_(description),
      fetch_details_(std::move(fetch_details)) {}

FetchingPrimaryPackageEvent::~FetchingPrimaryPackageEvent() = default;

void FetchingPrimaryPackageEvent::FillEventFields(AvroValue* installer_event) const {
  WriteStatsString(installer_event, "description", description_);
  WriteFetchDetailsList(fetch_details_, installer_event);
}

}  // namespace velta
