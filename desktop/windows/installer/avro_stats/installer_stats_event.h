// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_INSTALLER_STATS_EVENT_H_
#define DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_INSTALLER_STATS_EVENT_H_

#include <stdint.h>

#include <string>

#include "base/time/time.h"

namespace velta {

class AvroValue;

// One statistics event, the base of every event class. A raiser makes the
// event on any thread, may mark it urgent, and hands it to
// GetAvroStatsSender()->SendAvroMessage(), which owns it from then on:
//
//   auto event = std::make_unique<ErrorEvent>("Fetcher error", 1);
//   GetAvroStatsSender()->SendAvroMessage(std::move(event));
//
// Everything an event carries is fixed at construction, so the sender can
// build its message again for every send attempt: the creation time, a
// random message UUID and the process-wide message number stay the same on
// every attempt. Fill and FillEventFields run on the "Avro Network thread".
class InstallerStatsEvent {
 public:
  InstallerStatsEvent(const InstallerStatsEvent&) = delete;
  InstallerStatsEvent& operator=(const InstallerStatsEvent&) = delete;
  virtual ~InstallerStatsEvent();

  // Writes the event into `message`, a value of the installer message
  // schema: selects its installer_event record and sets the event type, the
  // message number, the event's own fields, both timestamps (the sent one is
  // now) and the message UUID.
  virtual void Fill(AvroValue* message) const;
  virtual std::string GetEventType() const;
  // An event above the sender's maximum level is not sent.
  virtual int32_t GetVerbosityLevel() const;
  // An urgent event goes to the head of the sender's queue and is sent even
  // while statistics traffic is not allowed.
  virtual bool IsUrgent() const;
  // Writes the event's own fields below `installer_event`.
  virtual void FillEventFields(AvroValue* installer_event) const = 0;

  // Only before the event is handed to the sender.
  void set_urgent(bool urgent) { is_urgent_ = urgent; }

  base::Time creation_time() const { return creation_time_; }
  const std::string& message_uuid() const { return message_uuid_; }
  // 1 for the first event made in the process.
  uint32_t message_number() const { return message_number_; }

 protected:
  // `event_type` is a symbol of the schema's EventType enum.
  InstallerStatsEvent(std::string event_type, int32_t verbosity_level);

 private:
  const base::Time creation_time_;
  const std::string message_uuid_;
  const std::string event_type_;
  const uint32_t message_number_;
  const int32_t verbosity_level_;
  bool is_urgent_ = false;
};

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_INSTALLER_STATS_EVENT_H_
