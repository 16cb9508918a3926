// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/avro_stats/uninstall_survey_completed_event.h"

#include <utility>

#include "desktop/windows/installer/avro_stats/stats_value_writers.h"

namespace velta {

UninstallSurveyCompletedEvent::UninstallSurveyCompletedEvent(
    uint32_t counter,
    std::optional<std::vector<std::string>> tags,
    std::optional<std::string> description,
    int32_t verbosity_level)
    : InstallerStatsEvent("uninstall_survey_completed", verbosity_level),
      counter_(counter),
      tags_(std::move(tags)),
      description_(std::move(description)) {}

UninstallSurveyCompletedEvent::~UninstallSurveyCompletedEvent() = default;

void UninstallSurveyCompletedEvent::FillEventFields(AvroValue* installer_event) const {
  WriteStatsInt(installer_event, "counter", counter_);
  if (tags_)
    WriteStatsStringList(installer_event, "tags", *tags_);
  WriteStatsString(installer_event, "description", description_);
}

}  // namespace velta
