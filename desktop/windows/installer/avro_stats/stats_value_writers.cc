// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/avro_stats/stats_value_writers.h"

#include <atomic>

#include "base/logging.h"
#include "velta_components/avro/avro_value.h"

namespace velta {

namespace {

std::atomic<int> g_schema_mismatches{0};

}  // namespace

AvroValue* ResolveStatsPath(AvroValue* parent, const std::string& path) {
  AvroValue* value = parent->ResolvePath(path);
  if (!value) {
    ++g_schema_mismatches;
    LOG(ERROR) << "The statistics message schema has no field " << path;
  }
  return value;
}

bool SetStatsEnumSymbol(AvroValue* field, const std::string& path, const std::string& symbol) {
  if (field->SetEnumSymbol(symbol))
    return true;
  ++g_schema_mismatches;
  LOG(ERROR) << "The statistics enum at " << path << " has no symbol " << symbol;
  return false;
}

int GetStatsSchemaMismatchCount() {
  return g_schema_mismatches.load();
}

void WriteStatsString(AvroValue* parent, const std::string& path, const std::string& value) {
  if (AvroValue* field = ResolveStatsPath(parent, path))
    field->SetString(value);
}

void WriteStatsBool(AvroValue* parent, const std::string& path, bool value) {
  if (AvroValue* field = ResolveStatsPath(parent, path))
    field->SetBool(value);
}

void WriteStatsInt(AvroValue* parent, const std::string& path, uint32_t value) {
  if (AvroValue* field = ResolveStatsPath(parent, path))
    field->SetInt(static_cast<int32_t>(value));
}

void WriteStatsLong(AvroValue* parent, const std::string& path, int64_t value) {
  if (AvroValue* field = ResolveStatsPath(parent, path))
    field->SetLong(value);
}

void WriteStatsEnum(AvroValue* parent, const std::string& path, const std::string& symbol) {
  if (AvroValue* field = ResolveStatsPath(parent, path))
    SetStatsEnumSymbol(field, path, symbol);
}

void WriteStatsStringList(AvroValue* parent,
                          const std::string& path,
                          const std::vector<std::string>& texts) {
  AvroValue* array = ResolveStatsPath(parent, path);
  if (!array)
    return;
  for (const std::string& text : texts) {
    if (AvroValue* item = array->AppendItem())
      item->SetString(text);
  }
}

void WriteStatsString(AvroValue* parent,
                      const std::string& path,
                      const std::optional<std::string>& value) {
  if (value)
    WriteStatsString(parent, path, *value);
}

void WriteStatsBool(AvroValue* parent, const std::string& path, const std::optional<bool>& value) {
  if (value)
    WriteStatsBool(parent, path, *value);
}

void WriteStatsInt(AvroValue* parent,
                   const std::string& path,
                   const std::optional<uint32_t>& value) {
  if (value)
    WriteStatsInt(parent, path, *value);
}

void WriteStatsLong(AvroValue* parent,
                    const std::string& path,
                    const std::optional<int64_t>& value) {
  if (value)
    WriteStatsLong(parent, path, *value);
}

}  // namespace velta
