// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_STATS_MESSAGE_READER_H_
#define DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_STATS_MESSAGE_READER_H_

#include <memory>
#include <string>

namespace velta {

class AvroValue;

// Tests only: reads a posted statistics message back. Null unless `message`
// starts with 00 and the schema version 383 and the rest decodes exactly
// as one message record.
std::unique_ptr<AvroValue> ReadStatsMessage(const std::string& message);

// The text at `path` of a read message, or "<null>" when the path ends on
// a null branch or names nothing.
std::string StatsText(const AvroValue& message, const std::string& path);
// The int, long or enum index at `path`, or -1 when absent.
int64_t StatsNumber(const AvroValue& message, const std::string& path);

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_STATS_MESSAGE_READER_H_
