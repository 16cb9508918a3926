// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_INSTALLER_MESSAGE_SCHEMA_H_
#define DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_INSTALLER_MESSAGE_SCHEMA_H_

#include <stdint.h>

#include "base/memory/scoped_refptr.h"

namespace velta {

class AvroSchema;

// The version every node of the message schema carries: each message sent
// begins 00 00 00 01 7F.
constexpr int32_t kInstallerMessageSchemaVersion = 383;

// Builds a fresh tree of the statistics message schema, the record
// "velta_desktop_installer". Its field, symbol and branch order is the wire
// format: the statistics server reads with exactly this schema.
scoped_refptr<AvroSchema> BuildInstallerMessageSchema();

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_INSTALLER_MESSAGE_SCHEMA_H_
