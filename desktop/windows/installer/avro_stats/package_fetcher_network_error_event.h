// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_PACKAGE_FETCHER_NETWORK_ERROR_EVENT_H_
#define DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_PACKAGE_FETCHER_NETWORK_ERROR_EVENT_H_

#include <stdint.h>

#include <string>
#include <vector>

#include "desktop/windows/installer/avro_stats/fetch_details.h"
#include "desktop/windows/installer/avro_stats/installer_stats_event.h"

namespace velta {

// "package_fetcher_network_error", raised by the package fetch sequence, for a network error.
// Raisers pass verbosity level 1.
class PackageFetcherNetworkErrorEvent : public InstallerStatsEvent {
 public:
  PackageFetcherNetworkErrorEvent(const std::string& description,
                                  std::vector<FetchDetails> fetch_details,
                                  int32_t verbosity_level);
  PackageFetcherNetworkErrorEvent(const PackageFetcherNetworkErrorEvent&) = delete;
  PackageFetcherNetworkErrorEvent& operator=(const PackageFetcherNetworkErrorEvent&) = delete;
  ~PackageFetcherNetworkErrorEvent() override;

  // InstallerStatsEvent:
  void FillEventFields(AvroValue* installer_event) const override;

 private:
  const std::string description_;
  const std::vector<FetchDetails> fetch_details_;
};

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_PACKAGE_FETCHER_NETWORK_ERROR_EVENT_H_
