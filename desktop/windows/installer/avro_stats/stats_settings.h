// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_STATS_SETTINGS_H_
#define DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_STATS_SETTINGS_H_

#include <stdint.h>

#include <string>

namespace velta {

class AvroValue;

// The settings as the statistics report them (Settings::GetStatsRecord).
struct StatsSettings {
  // The option DEFAULT_BROWSER.
  bool make_default = false;
  // Whether the chosen folder is the default folder of the mode.
  bool using_default_installation_folder = false;
  // Whether the chosen folder needs administrator rights.
  bool using_privileged_installation_folder = false;
  // 2 for a copy-only installation, else 1 for the current user and 0 for
  // all users.
  uint32_t installation_mode = 0;
  // The settings operation code.
  uint32_t installation_operation = 0;
};

// Writes `settings` below `parent` at `path` (the message code passes
// "settings" below installer_event). The record itself is always made present; its
// optional fields only when they have a value.
void WriteStatsSettings(const StatsSettings& settings, const std::string& path, AvroValue* parent);

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_STATS_SETTINGS_H_
