// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_FETCHING_DOWNLOAD_URL_EVENT_H_
#define DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_FETCHING_DOWNLOAD_URL_EVENT_H_

#include <stdint.h>

#include "desktop/windows/installer/avro_stats/installer_stats_event.h"

namespace velta {

// "fetching_download_url", raised by the package fetch sequence, when the metadata request
// starts. Raisers pass verbosity level 1.
class FetchingDownloadUrlEvent : public InstallerStatsEvent {
 public:
  explicit FetchingDownloadUrlEvent(int32_t verbosity_level);
  FetchingDownloadUrlEvent(const FetchingDownloadUrlEvent&) = delete;
  FetchingDownloadUrlEvent& operator=(const FetchingDownloadUrlEvent&) = delete;
  ~FetchingDownloadUrlEvent() override;

  // InstallerStatsEvent:
  void FillEventFields(AvroValue* installer_event) const override;
};

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_FETCHING_DOWNLOAD_URL_EVENT_H_
