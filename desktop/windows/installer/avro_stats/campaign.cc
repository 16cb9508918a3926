// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/avro_stats/campaign.h"

#include "desktop/windows/installer/avro_stats/stats_value_writers.h"

namespace velta {

void WriteCampaign(const Campaign& campaign, const std::string& path, AvroValue* parent) {
  AvroValue* record = ResolveStatsPath(parent, path);
  if (!record)
    return;
  WriteStatsString(record, "name", campaign.name);
  WriteStatsString(record, "source", campaign.source);
  WriteStatsString(record, "medium", campaign.medium);
}

}  // namespace velta
