// Copyright 2026 Velta Software. All rights reserved.

#include "crash_reporter/crash_counts_text.h"

#include <cmath>
#include <optional>

#include "base/json/json_reader.h"
#include "base/json/json_writer.h"
#include "base/values.h"

namespace velta {
namespace {

// The int64 range as doubles: -2^63, and 2^63, the first double beyond it.
constexpr double kLowestCount = -9223372036854775808.0;
constexpr double kBeyondHighestCount = 9223372036854775808.0;

}  // namespace

bool ParseCrashCounts(std::string_view text, std::map<std::string, int64_t>* counts) {
  const std::optional<base::Value> root = base::JSONReader::Read(text);
  if (!root || !root->is_dict())
    return false;
  for (const auto& [name, value] : root->DictItems()) {
    if (value.is_int()) {
      (*counts)[name] += value.GetInt();
    } else if (value.is_double()) {
      // A count beyond the int range is written as a whole number that the
      // reader gives as a double: skipping it would reset that count.
      const double number = value.GetDouble();
      if (number == std::trunc(number) && number >= kLowestCount && number < kBeyondHighestCount)
        (*counts)[name] += static_cast<int64_t>(number);
    }
  }
  return true;
}

bool CrashCountsToText(const std::map<std::string, int64_t>& counts, std::string* text) {
  base::DictionaryValue root;
  for (const auto& [name, count] : counts)
    root.SetKey(name, base::Value(static_cast<double>(count)));
  return base::JSONWriter::WriteWithOptions(
      root, base::JSONWriter::OPTIONS_OMIT_DOUBLE_TYPE_PRESERVATION, text);
}

}  // namespace velta
