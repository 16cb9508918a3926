// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_FETCHING_PRIMARY_PACKAGE_EVENT_H_
#define DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_FETCHING_PRIMARY_PACKAGE_EVENT_H_

#include <stdint.h>

#include <string>
#include <vector>

#include "desktop/windows/installer/avro_stats/fetch_details.h"
#include "desktop/windows/installer/avro_stats/installer_stats_event.h"

namespace velta {

// "fetching_primary_package", raised by the package fetch sequence, when the main package
// download starts. Raisers pass verbosity level 1.
class FetchingPrimaryPackageEvent : public InstallerStatsEvent {
 public:
  FetchingPrimaryPackageEvent(const std::string& description,
                              std::vector<FetchDetails> fetch_details,
                              int32_t verbosity_level);
  FetchingPrimaryPackageEvent(const FetchingPrimaryPackageEvent&) = delete;
  FetchingPrimaryPackageEvent& operator=(const FetchingPrimaryPackageEvent&) = delete;
  ~FetchingPrimaryPackageEvent() override;

  // InstallerStatsEvent:
  void FillEventFields(AvroValue* installer_event) const override;

 private:
  const std::string description_;
  const std::vector<FetchDetails> fetch_details_;
};

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_FETCHING_PRIMARY_PACKAGE_EVENT_H_
