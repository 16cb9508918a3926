// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/avro_stats/version_verified_event.h"

#include "desktop/windows/installer/avro_stats/stats_value_writers.h"

namespace velta {

VersionVerifiedEvent::VersionVerifiedEvent(const std::string& version,
                                           const std::string& stream,
                                           int32_t verbosity_level)
    : InstallerStatsEvent("version_verified", verbosity_level),
      version_(version),
      stream_(stream) {}

VersionVerifiedEvent::~VersionVerifiedEvent() = default;

void VersionVerifiedEvent::FillEventFields(AvroValue* installer_event) const {
  WriteStatsString(installer_event, "version_information.version", version_);
  WriteStatsString(installer_event, "version_information.stream", stream_);
}

}  // namespace velta
