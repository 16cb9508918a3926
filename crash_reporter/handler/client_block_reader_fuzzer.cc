// Copyright 2026 Velta Software. All rights reserved.

// libFuzzer target: reads arbitrary bytes, as a crash handler reads them out
// of a client's memory, both as a crash-info block and as a simple
// annotations dictionary (the bytes from the start, zero-filled to its size).
// Options come out only from a valid block and only in range; annotations
// only with a key and with key and value whole.

#include <string.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "base/logging.h"
#include "crash_reporter/crash_info_block.h"
#include "crash_reporter/handler/client_block_reader.h"

namespace {

bool InRange(velta::TriState state) {
  return static_cast<uint8_t>(state) <= static_cast<uint8_t>(velta::TriState::kDisabled);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace crashpad;
  CrashpadInfoClientOptions options;
  const bool read = ReadCrashpadOptions(data, size, &options);
  CHECK(InRange(options.crashpad_handler_behavior));
  CHECK(InRange(options.system_crash_reporter_forwarding));
  CHECK(InRange(options.gather_indirectly_referenced_memory));
  CHECK(InRange(options.restart));
  if (!read) {
    CHECK(options.crashpad_handler_behavior == velta::TriState::kUnset &&
          options.restart == velta::TriState::kUnset &&
          options.restart_argument_count == 0 && options.indirectly_referenced_memory_cap == 0);
  }
  if (options.gather_indirectly_referenced_memory == velta::TriState::kUnset)
    CHECK_EQ(0u, options.indirectly_referenced_memory_cap);
  if (options.restart == velta::TriState::kUnset)
    CHECK_EQ(0u, options.restart_argument_count);

  // Raw bytes, as the handler reads them out of the client's memory.
  alignas(velta::SimpleStringDictionary) static uint8_t
      dictionary_bytes[sizeof(velta::SimpleStringDictionary)];
  memset(dictionary_bytes, 0, sizeof(dictionary_bytes));
  memcpy(dictionary_bytes, data, std::min(size, sizeof(dictionary_bytes)));
  const Annotations annotations = ReadSimpleAnnotations(
      *reinterpret_cast<const velta::SimpleStringDictionary*>(dictionary_bytes));
  CHECK_LE(annotations.size(), velta::SimpleStringDictionary::kEntryCount);
  for (const auto& [key, value] : annotations) {
    CHECK(!key.empty());
    CHECK_LT(key.size(), velta::SimpleStringDictionary::kTextBytes);
    CHECK_LT(value.size(), velta::SimpleStringDictionary::kTextBytes);
    CHECK(key.find('\0') == std::string::npos && value.find('\0') == std::string::npos);
  }
  return 0;
}
