// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/avro_stats/initial_settings_gathered_event.h"

namespace velta {

InitialSettingsGatheredEvent::InitialSettingsGatheredEvent(const StatsSettings& settings,
                                                           int32_t verbosity_level)
    : InstallerStatsEvent("initial_settings_gathered", verbosity_level), settings_(settings) {}

InitialSettingsGatheredEvent::~InitialSettingsGatheredEvent() = default;

void InitialSettingsGatheredEvent::FillEventFields(AvroValue* installer_event) const {
  WriteStatsSettings(settings_, "settings", installer_event);
}

}  // namespace velta
