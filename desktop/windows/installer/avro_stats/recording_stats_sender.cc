// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/avro_stats/recording_stats_sender.h"

#include <utility>

#include "desktop/windows/installer/avro_stats/campaign.h"
#include "desktop/windows/installer/avro_stats/diagnostic_data.h"
#include "desktop/windows/installer/avro_stats/installer_stats_event.h"
#include "desktop/windows/installer/avro_stats/stats_message_builder.h"

namespace velta {

RecordingStatsSender::RecordingStatsSender(std::vector<std::string>* types, bool* traffic_allowed)
    : types_(types), traffic_allowed_(traffic_allowed) {}

RecordingStatsSender::~RecordingStatsSender() = default;

void RecordingStatsSender::SetTrafficAllowed(bool allowed) {
  if (traffic_allowed_)
    *traffic_allowed_ = allowed;
}

void RecordingStatsSender::SendAvroMessage(std::unique_ptr<InstallerStatsEvent> event) {
  StatsMessageBuilder("session", "", "1.0.0.0", "stable", Campaign())
      .Build(*event, DiagnosticData());
  base::AutoLock lock(lock_);
  event_types_.push_back(event->GetEventType());
  if (types_)
    types_->push_back(event_types_.back());
}

void RecordingStatsSender::SendPendingAndShutdown(base::OnceClosure done) {
  std::move(done).Run();
}

std::vector<std::string> RecordingStatsSender::event_types() {
  base::AutoLock lock(lock_);
  return event_types_;
}

}  // namespace velta
