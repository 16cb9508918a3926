// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_FETCHING_ADDITIONAL_FILE_EVENT_H_
#define DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_FETCHING_ADDITIONAL_FILE_EVENT_H_

#include <stdint.h>

#include <string>

#include "desktop/windows/installer/avro_stats/installer_stats_event.h"

namespace velta {

// "fetching_additional_file", raised by the package fetch sequence, when an additional file
// starts. Raisers pass verbosity level 1.
class FetchingAdditionalFileEvent : public InstallerStatsEvent {
 public:
  FetchingAdditionalFileEvent(const std::string& description, int32_t verbosity_level);
  FetchingAdditionalFileEvent(const FetchingAdditionalFileEvent&) = delete;
  FetchingAdditionalFileEvent& operator=(const FetchingAdditionalFileEvent&) = delete;
  ~FetchingAdditionalFileEvent() override;

  // InstallerStatsEvent:
  void FillEventFields(AvroValue* installer_event) const override;

 private:
  const std::string description_;
};

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_FETCHING_ADDITIONAL_FILE_EVENT_H_
