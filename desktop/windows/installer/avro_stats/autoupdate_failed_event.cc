// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/avro_stats/autoupdate_failed_event.h"

#include <utility>

#include "desktop/windows/installer/avro_stats/stats_value_writers.h"

namespace velta {

AutoupdateFailedEvent::AutoupdateFailedEvent(const std::string& description,
                                             std::vector<FetchDetails> fetch_details,
                                             const StatsSettings& settings,
                                             const std::string& version,
                                             const std::string& stream,
                                             int32_t verbosity_level)
    : InstallerStatsEvent("autoupdate_failed", verbosity_level),
      description_(description),
      fetch_details_(std::move(fetch_details)),
      settings_(settings),
      version_(version),
      stream_(stream) {}

AutoupdateFailedEvent::~AutoupdateFailedEvent() = default;

void AutoupdateFailedEvent::FillEventFields(AvroValue* installer_event) const {
  WriteStatsString(installer_event, "description", description_);
  WriteFetchDetailsList(fetch_details_, installer_event);
  WriteStatsSettings(settings_, "settings", installer_event);
  WriteStatsString(installer_event, "version_information.version", version_);
  WriteStatsString(installer_event, "version_information.stream", stream_);
}

}  // namespace velta
