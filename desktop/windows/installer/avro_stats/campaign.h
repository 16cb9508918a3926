// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_CAMPAIGN_H_
#define DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_CAMPAIGN_H_

#include <optional>
#include <string>

namespace velta {

class AvroValue;

// The campaign of the download, from the tracking values "utm.campaign",
// "utm.source" and "utm.medium".
struct Campaign {
  std::optional<std::string> name;
  std::optional<std::string> source;
  std::optional<std::string> medium;
};

// Writes `campaign` below `parent` at `path` (the message code passes
// "context.campaign" below the message). The record itself is always made present; its
// optional fields only when they have a value.
void WriteCampaign(const Campaign& campaign, const std::string& path, AvroValue* parent);

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_CAMPAIGN_H_
