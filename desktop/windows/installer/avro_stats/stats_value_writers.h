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
// The paths are the statistics code's own constants; one that names no
// field of the message schema is a bug, caught by a DCHECK and otherwise
// written nowhere.

void WriteStatsString(AvroValue* parent, const std::string& path, const std::string& value);
void WriteStatsBool(AvroValue* parent, const std::string& path, bool value);
// Unsigned counts go out as Avro ints (the same 32 bits).
void WriteStatsInt(AvroValue* parent, const std::string& path, uint32_t value);
void WriteStatsLong(AvroValue* parent, const std::string& path, int64_t value);
// By symbol name; a text that is no symbol leaves the field unchanged.
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

// The value at `path`, made present; null (after a DCHECK) when the path
// names no field.
AvroValue* ResolveStatsPath(AvroValue* parent, const std::string& path);

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_STATS_VALUE_WRITERS_H_
