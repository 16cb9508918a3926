// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_PACKAGE_FETCHER_LOCAL_ERROR_EVENT_H_
#define DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_PACKAGE_FETCHER_LOCAL_ERROR_EVENT_H_

#include <stdint.h>

#include <string>

#include "desktop/windows/installer/avro_stats/installer_stats_event.h"

namespace velta {

// "package_fetcher_local_error", raised by the package fetch sequence, for a local error.
// Raisers pass verbosity level 1.
class PackageFetcherLocalErrorEvent : public InstallerStatsEvent {
 public:
  PackageFetcherLocalErrorEvent(const std::string& description, int32_t verbosity_level);
  PackageFetcherLocalErrorEvent(const PackageFetcherLocalErrorEvent&) = delete;
  PackageFetcherLocalErrorEvent& operator=(const PackageFetcherLocalErrorEvent&) = delete;
  ~PackageFetcherLocalErrorEvent() override;

  // InstallerStatsEvent:
  void FillEventFields(AvroValue* installer_event) const override;

 private:
  const std::string description_;
};

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_PACKAGE_FETCHER_LOCAL_ERROR_EVENT_H_
