// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_STATUS_PARSED_EVENT_H_
#define DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_STATUS_PARSED_EVENT_H_

#include <stdint.h>

#include "desktop/windows/installer/avro_stats/installer_stats_event.h"
#include "desktop/windows/installer/avro_stats/status_data.h"

namespace velta {

// "status_parsed", raised by the settings, after reading the status of the installation in the
// chosen folder. Raisers pass verbosity level 1.
class StatusParsedEvent : public InstallerStatsEvent {
 public:
  StatusParsedEvent(const StatusData& status_data, int32_t verbosity_level);
  StatusParsedEvent(const StatusParsedEvent&) = delete;
  StatusParsedEvent& operator=(const StatusParsedEvent&) = delete;
  ~StatusParsedEvent() override;

  // InstallerStatsEvent:
  void FillEventFields(AvroValue* installer_event) const override;

 private:
  const StatusData status_data_;
};

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_STATUS_PARSED_EVENT_H_
