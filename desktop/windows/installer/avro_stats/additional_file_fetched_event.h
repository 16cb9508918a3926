// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_ADDITIONAL_FILE_FETCHED_EVENT_H_
#define DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_ADDITIONAL_FILE_FETCHED_EVENT_H_

#include <stdint.h>

#include <vector>

#include "desktop/windows/installer/avro_stats/fetch_details.h"
#include "desktop/windows/installer/avro_stats/installer_stats_event.h"

namespace velta {

// "additional_file_fetched", raised by the package fetch sequence, after an additional file has
// been fetched. Raisers pass verbosity level 1.
class AdditionalFileFetchedEvent : public InstallerStatsEvent {
 public:
  AdditionalFileFetchedEvent(std::vector<FetchDetails> fetch_details, int32_t verbosity_level);
  AdditionalFileFetchedEvent(const AdditionalFileFetchedEvent&) = delete;
  AdditionalFileFetchedEvent& operator=(const AdditionalFileFetchedEvent&) = delete;
  ~AdditionalFileFetchedEvent() override;

  // InstallerStatsEvent:
  void FillEventFields(AvroValue* installer_event) const override;

 private:
  const std::vector<FetchDetails> fetch_details_;
};

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_ADDITIONAL_FILE_FETCHED_EVENT_H_
