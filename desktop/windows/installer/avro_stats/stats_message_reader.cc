// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/avro_stats/stats_message_reader.h"

#include <stdint.h>

#include "base/big_endian.h"
#include "desktop/windows/installer/avro_stats/installer_message_schema.h"
#include "velta_components/avro/avro_schema.h"
#include "velta_components/avro/avro_value.h"
#include "velta_components/avro/value_serializer_impl.h"

namespace velta {

std::unique_ptr<AvroValue> ReadStatsMessage(const std::string& message) {
  uint32_t version = 0;
  if (message.empty() || message[0] != '\0' || !base::ReadBigEndian32(message, 1, &version) ||
      version != static_cast<uint32_t>(kInstallerMessageSchemaVersion)) {
    return nullptr;
  }
  return ValueSerializerImpl().Deserialize(BuildInstallerMessageSchema(), message.substr(5));
}

std::string StatsText(const AvroValue& message, const std::string& path) {
  const AvroValue* value = message.FindPath(path);
  return value ? value->GetString() : "<null>";
}

int64_t StatsNumber(const AvroValue& message, const std::string& path) {
  const AvroValue* value = message.FindPath(path);
  if (!value)
    return -1;
  switch (value->GetType()) {
    case AvroType::kInt:
      return value->GetInt();
    case AvroType::kLong:
      return value->GetLong();
    case AvroType::kEnum:
      return static_cast<int64_t>(value->GetEnumIndex());
    case AvroType::kBoolean:
      return value->GetBool() ? 1 : 0;
    default:
      return -1;
  }
}

}  // namespace velta
