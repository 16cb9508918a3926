// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_FETCH_DETAILS_H_
#define DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_FETCH_DETAILS_H_

#include <stdint.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace velta {

class AvroValue;

// The details of one download chunk, filled by the package fetcher's
// recorders and carried by the fetch events in the order they were made.
struct FetchDetails {
  // Byte position at which the chunk starts.
  std::optional<int64_t> chunk_start;
  std::optional<uint32_t> chunk_number;
  // The server's address as text.
  std::optional<std::string> ip;
  // The URL after a redirect.
  std::optional<std::string> redirected_url;
  // Response headers, name to value.
  std::map<std::string, std::string> headers;
  std::optional<uint32_t> wininet_error;
  std::optional<uint32_t> http_status;
  // Retries made for the chunk.
  std::optional<uint32_t> retry_count;
  // Byte position at which the chunk ended.
  std::optional<int64_t> chunk_end;
  // Milliseconds since 1970-01-01 UTC.
  std::optional<int64_t> chunk_start_time;
  std::optional<int64_t> chunk_end_time;
  // The length reported with a response that was too long.
  std::optional<int64_t> response_too_long;
  std::optional<bool> proxy_login_needed;
  // The result of the proxy credentials prompt.
  std::optional<uint32_t> proxy_login_result;
  // The download met a call without its request context.
  std::optional<bool> null_request_context;
};

// Writes the list as the array "fetch_details" below `installer_event`: the
// array is made present even when the list is empty, then one item per
// element in list order, with each field that has a value and the headers
// in ascending byte order of their names.
void WriteFetchDetailsList(const std::vector<FetchDetails>& fetch_details,
                           AvroValue* installer_event);

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_FETCH_DETAILS_H_
