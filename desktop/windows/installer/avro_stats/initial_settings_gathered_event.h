// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_INITIAL_SETTINGS_GATHERED_EVENT_H_
#define DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_INITIAL_SETTINGS_GATHERED_EVENT_H_

#include <stdint.h>

#include "desktop/windows/installer/avro_stats/installer_stats_event.h"
#include "desktop/windows/installer/avro_stats/stats_settings.h"

namespace velta {

// "initial_settings_gathered", raised by the window controller, when the settings of the chosen
// folder are known. Raisers pass verbosity level 1.
class InitialSettingsGatheredEvent : public InstallerStatsEvent {
 public:
  InitialSettingsGatheredEvent(const StatsSettings& settings, int32_t verbosity_level);
  InitialSettingsGatheredEvent(const InitialSettingsGatheredEvent&) = delete;
  InitialSettingsGatheredEvent& operator=(const InitialSettingsGatheredEvent&) = delete;
  ~InitialSettingsGatheredEvent() override;

  // InstallerStatsEvent:
  void FillEventFields(AvroValue* installer_event) const override;

 private:
  const StatsSettings settings_;
};

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_INITIAL_SETTINGS_GATHERED_EVENT_H_
