// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/avro_stats/status_data.h"

#include "desktop/windows/installer/avro_stats/stats_value_writers.h"

namespace velta {

void WriteStatusData(const StatusData& status_data, const std::string& path, AvroValue* parent) {
  AvroValue* record = ResolveStatsPath(parent, path);
  if (!record)
    return;
  WriteStatsString(record, "source", status_data.source);
  WriteStatsString(record, "tracking_data", status_data.tracking_data);
  WriteStatsString(record, "uuid", status_data.uuid);
}

}  // namespace velta
