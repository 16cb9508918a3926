// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/avro_stats/primary_package_fetched_event.h"

#include <utility>

namespace velta {

PrimaryPackageFetchedEvent::PrimaryPackageFetchedEvent(std::vector<FetchDetails> fetch_details,
                                                       int32_t verbosity_level)
    : InstallerStatsEvent("primary_package_fetched", verbosity_level),
      fetch_details_(std::move(fetch_details)) {}

PrimaryPackageFetchedEvent::~PrimaryPackageFetchedEvent() = default;

void PrimaryPackageFetchedEvent::FillEventFields(AvroValue* installer_event) const {
  WriteFetchDetailsList(fetch_details_, installer_event);
}

}  // namespace velta
