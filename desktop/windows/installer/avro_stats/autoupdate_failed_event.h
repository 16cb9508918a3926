// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_AUTOUPDATE_FAILED_EVENT_H_
#define DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_AUTOUPDATE_FAILED_EVENT_H_

#include <stdint.h>

#include <string>
#include <vector>

#include "desktop/windows/installer/avro_stats/fetch_details.h"
#include "desktop/windows/installer/avro_stats/installer_stats_event.h"
#include "desktop/windows/installer/avro_stats/stats_settings.h"

namespace velta {

// "autoupdate_failed", raised by the controller's termination in an autoupdate run that
// recorded an error; the only event an autoupdate run sends. Raisers pass verbosity level 0.
class AutoupdateFailedEvent : public InstallerStatsEvent {
 public:
  AutoupdateFailedEvent(const std::string& description,
                        std::vector<FetchDetails> fetch_details,
                        const StatsSettings& settings,
                        const std::string& version,
                        const std::string& stream,
                        int32_t verbosity_level);
  AutoupdateFailedEvent(const AutoupdateFailedEvent&) = delete;
  AutoupdateFailedEvent& operator=(const AutoupdateFailedEvent&) = delete;
  ~AutoupdateFailedEvent() override;

  // InstallerStatsEvent:
  void FillEventFields(AvroValue* installer_event) const override;

 private:
  const std::string description_;
  const std::vector<FetchDetails> fetch_details_;
  const StatsSettings settings_;
  const std::string version_;
  const std::string stream_;
};

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_AUTOUPDATE_FAILED_EVENT_H_
