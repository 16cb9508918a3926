// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_PRIMARY_PACKAGE_FETCHED_EVENT_H_
#define DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_PRIMARY_PACKAGE_FETCHED_EVENT_H_

#include <stdint.h>

#include <vector>

#include "desktop/windows/installer/avro_stats/fetch_details.h"
#include "desktop/windows/installer/avro_stats/installer_stats_event.h"

namespace velta {

// "primary_package_fetched", raised by the package fetch sequence, after the main package
// download. Raisers pass verbosity level 1.
class PrimaryPackageFetchedEvent : public InstallerStatsEvent {
 public:
  PrimaryPackageFetchedEvent(std::vector<FetchDetails> fetch_details, int32_t verbosity_level);
  PrimaryPackageFetchedEvent(const PrimaryPackageFetchedEvent&) = delete;
  PrimaryPackageFetchedEvent& operator=(const PrimaryPackageFetchedEvent&) = delete;
  ~PrimaryPackageFetchedEvent() override;

  // InstallerStatsEvent:
  void FillEventFields(AvroValue* installer_event) const override;

 private:
  const std::vector<FetchDetails> fetch_details_;
};

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_PRIMARY_PACKAGE_FETCHED_EVENT_H_
