// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/avro_stats/fetch_details.h"

#include "desktop/windows/installer/avro_stats/stats_value_writers.h"
#include "velta_components/avro/avro_value.h"

namespace velta {

void WriteFetchDetailsList(const std::vector<FetchDetails>& fetch_details,
                           AvroValue* installer_event) {
  AvroValue* array = ResolveStatsPath(installer_event, "fetch_details");
  if (!array)
    return;
  for (const FetchDetails& details : fetch_details) {
    AvroValue* item = array->AppendItem();
    if (!item)
      return;
    WriteStatsLong(item, "chunk_start", details.chunk_start);
    WriteStatsLong(item, "chunk_end", details.chunk_end);
    WriteStatsInt(item, "chunk_number", details.chunk_number);
    WriteStatsString(item, "ip", details.ip);
    WriteStatsString(item, "redirected_url", details.redirected_url);
    AvroValue* headers = ResolveStatsPath(item, "headers");
    for (const auto& header : details.headers) {
      if (headers)
        headers->GetOrAddEntry(header.first)->SetString(header.second);
    }
    WriteStatsInt(item, "wininet_error", details.wininet_error);
    WriteStatsInt(item, "http_status", details.http_status);
    WriteStatsInt(item, "retry_count", details.retry_count);
    WriteStatsLong(item, "chunk_start_time", details.chunk_start_time);
    WriteStatsLong(item, "chunk_end_time", details.chunk_end_time);
    WriteStatsLong(item, "response_too_long", details.response_too_long);
    WriteStatsBool(item, "proxy_login_needed", details.proxy_login_needed);
    WriteStatsInt(item, "proxy_login_result", details.proxy_login_result);
    WriteStatsBool(item, "null_request_context", details.null_request_context);
  }
}

}  // namespace velta
