// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_STATUS_DATA_H_
#define DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_STATUS_DATA_H_

#include <optional>
#include <string>

namespace velta {

class AvroValue;

// The tracking values found in the status of an existing installation.
struct StatusData {
  // The status source name of the existing installation.
  std::optional<std::string> source;
  // The folder autoupdate UUID (an installation over an existing one, or an
  // uninstall).
  std::optional<std::string> uuid;
  // The folder tracking data.
  std::optional<std::string> tracking_data;
};

// Writes `status_data` below `parent` at `path` (the message code passes
// "status_data" below installer_event). The record itself is always made present; its
// optional fields only when they have a value.
void WriteStatusData(const StatusData& status_data, const std::string& path, AvroValue* parent);

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_STATUS_DATA_H_
