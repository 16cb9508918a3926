// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/avro_stats/diagnostic_data.h"

#include "desktop/windows/installer/avro_stats/stats_value_writers.h"

namespace velta {

void WriteDiagnosticData(const DiagnosticData& diagnostic_data,
                         const std::string& path,
                         AvroValue* parent) {
  AvroValue* record = ResolveStatsPath(parent, path);
  if (!record)
    return;
  WriteStatsInt(record, "dumped_messages_total", diagnostic_data.dumped_messages_total);
  WriteStatsInt(record, "dumps_total", diagnostic_data.dumps_total);
  WriteStatsInt(record, "messages_total", diagnostic_data.messages_total);
  WriteStatsInt(record, "send_attempts_total", diagnostic_data.send_attempts_total);
  WriteStatsInt(record, "successfully_sent_total", diagnostic_data.successfully_sent_total);
}

}  // namespace velta
