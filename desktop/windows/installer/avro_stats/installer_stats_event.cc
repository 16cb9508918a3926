// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/avro_stats/installer_stats_event.h"

#include <atomic>
#include <utility>

#include "base/guid.h"
#include "desktop/windows/installer/avro_stats/stats_value_writers.h"
#include "velta_components/avro/avro_value.h"

namespace velta {

namespace {

// Numbers the events of the process; the first event gets 1. Events are made
// on several threads.
uint32_t NextMessageNumber() {
  static std::atomic<uint32_t> counter{0};
  return counter.fetch_add(1, std::memory_order_relaxed) + 1;
}

// Milliseconds since 1970-01-01 00:00 UTC; the null time gives 0.
int64_t ToUnixMilliseconds(base::Time time) {
  if (time.is_null())
    return 0;
  return (time - base::Time::UnixEpoch()).InMilliseconds();
}

}  // namespace

InstallerStatsEvent::InstallerStatsEvent(std::string event_type, int32_t verbosity_level)
    : creation_time_(base::Time::Now()),
      message_uuid_(base::GenerateGUID()),
      event_type_(std::move(event_type)),
      message_number_(NextMessageNumber()),
      verbosity_level_(verbosity_level) {}

InstallerStatsEvent::~InstallerStatsEvent() = default;

void InstallerStatsEvent::Fill(AvroValue* message) const {
  AvroValue* installer_event = message->GetChild("installer_event")->SelectBranch(1);
  // A type that is no symbol of the enum leaves the field at symbol 0.
  SetStatsEnumSymbol(installer_event->GetChild("event_type"), "event_type", event_type_);
  installer_event->GetChild("message_session_id")->SetInt(static_cast<int32_t>(message_number_));
  FillEventFields(installer_event);
  message->GetChild("EventTimestamp")->SetLong(ToUnixMilliseconds(creation_time_));
  message->GetChild("SentTimestamp")->SetLong(ToUnixMilliseconds(base::Time::Now()));
  message->ResolvePath("StatsMessageUUID")->SetString(message_uuid_);
}

std::string InstallerStatsEvent::GetEventType() const {
  return event_type_;
}

int32_t InstallerStatsEvent::GetVerbosityLevel() const {
  return verbosity_level_;
}

bool InstallerStatsEvent::IsUrgent() const {
  return is_urgent_;
}

}  // namespace velta
