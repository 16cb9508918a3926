// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/avro_stats/additional_file_fetched_event.h"

#include <utility>

namespace velta {

AdditionalFileFetchedEvent::AdditionalFileFetchedEvent(std::vector<FetchDetails> fetch_details,
                                                       int32_t verbosity_level)
    : InstallerStatsEvent("additional_file_fetched", verbosity_level),
      fetch_details_(std::move(fetch_details)) {}

AdditionalFileFetchedEvent::~AdditionalFileFetchedEvent() = default;

void AdditionalFileFetchedEvent::FillEventFields(AvroValue* installer_event) const {
  WriteFetchDetailsList(fetch_details_, installer_event);
}

}  // namespace velta
