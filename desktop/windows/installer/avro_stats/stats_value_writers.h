// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_STATS_VALUE_WRITERS_H_
#define DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_STATS_VALUE_WRITERS_H_

#include <stdint.h>

#include <optional>
#include <string>
#include <vector>

namespace velta {

class AvroValue;

// Set the field at the dotted `path` below `parent`, switching every
// optional field on the way (and the field itself) to its non-null branch.
// The paths and enum symbols are the statistics code's own constants; one
// that the message schema lacks is a bug: it is logged as an error, counted
// for tests (GetStatsSchemaMismatchCount), and written nowhere. It never
// ends the process: the message still goes out without that field.

void WriteStatsString(AvroValue* parent, const std::string& path, const std::string& value);
void WriteStatsBool(AvroValue* parent, const std::string& path, bool value);
// Unsigned counts go out as Avro ints (the same 32 bits).
void WriteStatsInt(AvroValue* parent, const std::string& path, uint32_t value);
void WriteStatsLong(AvroValue* parent, const std::string& path, int64_t value);
// By symbol name; a text that is no symbol of the field's enum leaves the
// field unchanged and counts as a mismatch.
void WriteStatsEnum(AvroValue* parent, const std::string& path, const std::string& symbol);
// One array item per text, in order.
void WriteStatsStringList(AvroValue* parent,
                          const std::string& path,
                          const std::vector<std::string>& texts);

// Optional values: written only when present, so an absent one stays null.
void WriteStatsString(AvroValue* parent,
                      const std::string& path,
                      const std::optional<std::string>& value);
void WriteStatsBool(AvroValue* parent, const std::string& path, const std::optional<bool>& value);
void WriteStatsInt(AvroValue* parent,
                   const std::string& path,
                   const std::optional<uint32_t>& value);
void WriteStatsLong(AvroValue* parent,
                    const std::string& path,
                    const std::optional<int64_t>& value);

// The value at `path`, made present; null, counted as a mismatch, when the
// path names no field.
AvroValue* ResolveStatsPath(AvroValue* parent, const std::string& path);

// Sets the enum `field` (at `path`, for the log) to `symbol`; false, counted
// as a mismatch, when the enum has no such symbol.
bool SetStatsEnumSymbol(AvroValue* field, const std::string& path, const std::string& symbol);

// How many fields and symbols the statistics code named that the message
// schema lacks, since the process started, from any thread. Tests that
// build messages expect it unchanged.
int GetStatsSchemaMismatchCount();

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_STATS_VALUE_WRITERS_H_
