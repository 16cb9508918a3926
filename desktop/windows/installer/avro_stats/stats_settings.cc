// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/avro_stats/stats_settings.h"

#include "desktop/windows/installer/avro_stats/stats_value_writers.h"

namespace velta {

void WriteStatsSettings(const StatsSettings& settings, const std::string& path, AvroValue* parent) {
  AvroValue* record = ResolveStatsPath(parent, path);
  if (!record)
    return;
  WriteStatsBool(record, "make_default", settings.make_default);
  WriteStatsBool(record, "using_default_installation_folder",
                 settings.using_default_installation_folder);
  WriteStatsBool(record, "using_privileged_installation_folder",
                 settings.using_privileged_installation_folder);
  WriteStatsInt(record, "installation_mode", settings.installation_mode);
  WriteStatsInt(record, "installation_operation", settings.installation_operation);
}

}  // namespace velta
