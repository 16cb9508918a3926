// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_SETTINGS_ACCEPTED_EVENT_H_
#define DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_SETTINGS_ACCEPTED_EVENT_H_

#include <stdint.h>

#include "desktop/windows/installer/avro_stats/installer_stats_event.h"
#include "desktop/windows/installer/avro_stats/stats_settings.h"

namespace velta {

// "settings_accepted", raised by the silent controller, and the window controller when the user
// accepts. Raisers pass verbosity level 1.
class SettingsAcceptedEvent : public InstallerStatsEvent {
 public:
  SettingsAcceptedEvent(const StatsSettings& settings, int32_t verbosity_level);
  SettingsAcceptedEvent(const SettingsAcceptedEvent&) = delete;
  SettingsAcceptedEvent& operator=(const SettingsAcceptedEvent&) = delete;
  ~SettingsAcceptedEvent() override;

  // InstallerStatsEvent:
  void FillEventFields(AvroValue* installer_event) const override;

 private:
  const StatsSettings settings_;
};

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_SETTINGS_ACCEPTED_EVENT_H_
