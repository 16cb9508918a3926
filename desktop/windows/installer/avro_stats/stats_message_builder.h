// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_STATS_MESSAGE_BUILDER_H_
#define DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_STATS_MESSAGE_BUILDER_H_

#include <string>

#include "desktop/windows/installer/avro_stats/campaign.h"

namespace velta {

class InstallerStatsEvent;
struct DiagnosticData;

// Turns one event into one serialized statistics message: the event's own
// part, what is the same for every message of the process (identifiers,
// application, campaign, operating system) and the sender's counters, in the
// versioned form (00 00 00 01 7F, then the record). Made once by start-up,
// owned by the sender's network side and used only on the "Avro Network
// thread", once per send attempt, so a retried message carries the
// SentTimestamp and counters of its attempt.
class StatsMessageBuilder {
 public:
  // `network_installer_id` is the tracking value "uuid", or empty.
  StatsMessageBuilder(std::string session_guid,
                      std::string network_installer_id,
                      std::string application_version,
                      std::string application_stream,
                      Campaign campaign);
  StatsMessageBuilder(const StatsMessageBuilder&) = delete;
  StatsMessageBuilder& operator=(const StatsMessageBuilder&) = delete;
  virtual ~StatsMessageBuilder();

  // The message bytes as they are posted.
  virtual std::string Build(const InstallerStatsEvent& event,
                            const DiagnosticData& diagnostic_data) const;

 private:
  const std::string session_guid_;
  const std::string network_installer_id_;
  const std::string application_version_;
  const std::string application_stream_;
  const Campaign campaign_;
};

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_STATS_MESSAGE_BUILDER_H_
