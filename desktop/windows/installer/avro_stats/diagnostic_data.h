// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_DIAGNOSTIC_DATA_H_
#define DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_DIAGNOSTIC_DATA_H_

#include <stdint.h>

#include <string>

namespace velta {

class AvroValue;

// The statistics sender's own counters, carried by every message.
struct DiagnosticData {
  // Messages discarded by dumps after the retry limit.
  uint32_t dumped_messages_total = 0;
  // Number of such dumps.
  uint32_t dumps_total = 0;
  // Messages handed to the sender's network side.
  uint32_t messages_total = 0;
  // Send attempts made before this one.
  uint32_t send_attempts_total = 0;
  // Messages removed from the queue as sent (status 201 or 403).
  uint32_t successfully_sent_total = 0;
};

// Writes `diagnostic_data` below `parent` at `path` (the message code passes
// "installer_event.diagnostic_data" below the message). The record itself is always made present;
// its optional fields only when they have a value.
void WriteDiagnosticData(const DiagnosticData& diagnostic_data,
                         const std::string& path,
                         AvroValue* parent);

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_DIAGNOSTIC_DATA_H_
