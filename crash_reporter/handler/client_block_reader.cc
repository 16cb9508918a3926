// Copyright 2026 Velta Software. All rights reserved.

#include "crash_reporter/handler/client_block_reader.h"

#include <string.h>

#include <algorithm>

#include "base/logging.h"

namespace crashpad {
namespace {

using velta::TriState;

TriState ToTriState(uint8_t value) {
  if (value == 1 || value == 2)
    return static_cast<TriState>(value);
  if (value != 0)
    LOG(WARNING) << "unknown TriState " << static_cast<int>(value);
  return TriState::kUnset;
}

}  // namespace

bool ReadCrashpadOptions(const uint8_t* bytes, size_t size, CrashpadInfoClientOptions* options) {
  *options = CrashpadInfoClientOptions();
  if (size < 8)
    return false;
  velta::CrashpadInfo block = {};
  memcpy(&block, bytes, std::min(size, sizeof(block)));
  if (block.signature != velta::CrashpadInfo::kSignature ||
      block.version != velta::CrashpadInfo::kVersion || block.size > size) {
    return false;
  }
  // A smaller stored size: the fields past it read as zero.
  if (block.size < sizeof(block))
    memset(reinterpret_cast<uint8_t*>(&block) + block.size, 0, sizeof(block) - block.size);
  if (block.size > sizeof(block))
    LOG(INFO) << "crash-info block of size " << block.size;
  options->crashpad_handler_behavior =
      ToTriState(static_cast<uint8_t>(block.crashpad_handler_behavior));
  options->system_crash_reporter_forwarding =
      ToTriState(static_cast<uint8_t>(block.system_crash_reporter_forwarding));
  options->gather_indirectly_referenced_memory =
      ToTriState(static_cast<uint8_t>(block.gather_indirectly_referenced_memory));
  options->restart = ToTriState(static_cast<uint8_t>(block.restart));
  if (options->gather_indirectly_referenced_memory != TriState::kUnset)
    options->indirectly_referenced_memory_cap = block.indirectly_referenced_memory_cap;
  if (options->restart != TriState::kUnset)
    options->restart_argument_count = block.restart_argument_count;
  return true;
}

Annotations ReadSimpleAnnotations(const velta::SimpleStringDictionary& dictionary) {
  Annotations annotations;
  for (size_t i = 0; i < velta::SimpleStringDictionary::kEntryCount; ++i) {
    const auto& entry = dictionary.entries()[i];
    const size_t key_length = strnlen(entry.key, sizeof(entry.key));
    const size_t value_length = strnlen(entry.value, sizeof(entry.value));
    if (key_length == 0 || key_length == sizeof(entry.key) || value_length == sizeof(entry.value))
      continue;
    annotations.emplace(std::string(entry.key, key_length), std::string(entry.value, value_length));
  }
  return annotations;
}

}  // namespace crashpad
