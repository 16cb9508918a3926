// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/avro_stats/settings_accepted_event.h"

namespace velta {

SettingsAcceptedEvent::SettingsAcceptedEvent(const StatsSettings& settings, int32_t verbosity_level)
    : InstallerStatsEvent("settings_accepted", verbosity_level), settings_(settings) {}

SettingsAcceptedEvent::~SettingsAcceptedEvent() = default;

void SettingsAcceptedEvent::FillEventFields(AvroValue* installer_event) const {
  WriteStatsSettings(settings_, "settings", installer_event);
}

}  // namespace velta
