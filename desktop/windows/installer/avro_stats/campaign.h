// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_CAMPAIGN_H_
#define DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_CAMPAIGN_H_

#include <optional>
#include <string>

namespace velta {

// The campaign of the download, from the tracking values "utm.campaign",
// "utm.source" and "utm.medium".
struct Campaign {
  std::optional<std::string> name;
  std::optional<std::string> source;
  std::optional<std::string> medium;
};

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_CAMPAIGN_H_
