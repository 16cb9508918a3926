// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/avro_stats/package_fetcher_local_error_event.h"

#include "desktop/windows/installer/avro_stats/stats_value_writers.h"

namespace velta {

PackageFetcherLocalErrorEvent::PackageFetcherLocalErrorEvent(const std::string& description,
                                                             int32_t verbosity_level)
    : InstallerStatsEvent("package_fetcher_local_error", verbosity_level),
      description_(description) {}

PackageFetcherLocalErrorEvent::~PackageFetcherLocalErrorEvent() = default;

void PackageFetcherLocalErrorEvent::FillEventFields(AvroValue* installer_event) const {
  WriteStatsString(installer_event, "description", description_);
}

}  // namespace velta
