// Copyright 2026 Velta Software. All rights reserved.

#ifndef CRASH_REPORTER_HANDLER_CLIENT_BLOCK_READER_H_
#define CRASH_REPORTER_HANDLER_CLIENT_BLOCK_READER_H_

#include <stddef.h>
#include <stdint.h>

#include <map>
#include <string>

#include "crash_reporter/crash_info_block.h"

// What a crash handler reads of a client's crash-info block and simple
// annotations once their bytes are out of the client's memory. Pure: no
// Windows, callable on any thread.
namespace crashpad {

// The options a client's crash-info block gives the handler.
struct CrashpadInfoClientOptions {
  velta::TriState crashpad_handler_behavior = velta::TriState::kUnset;
  velta::TriState system_crash_reporter_forwarding = velta::TriState::kUnset;
  velta::TriState gather_indirectly_referenced_memory = velta::TriState::kUnset;
  velta::TriState restart = velta::TriState::kUnset;
  uint32_t restart_argument_count = 0;
  uint32_t indirectly_referenced_memory_cap = 0;
};

// Reads the options from the bytes of a client's crash-info block as read
// out of its memory (hostile input). False, leaving `options` unset, for
// fewer than 8 bytes, a wrong signature or version, or a stored size larger
// than `size`; a tri-state other than 0, 1 or 2 reads as unset.
bool ReadCrashpadOptions(const uint8_t* bytes, size_t size, CrashpadInfoClientOptions* options);

// A client's annotations: key to value, in key order.
using Annotations = std::map<std::string, std::string>;

// The annotations of a client's simple dictionary, as read out of its memory
// (hostile input): the entries whose key is not empty and whose key and value
// are both 0-terminated within their 256 bytes; the others are skipped.
Annotations ReadSimpleAnnotations(const velta::SimpleStringDictionary& dictionary);

}  // namespace crashpad

#endif  // CRASH_REPORTER_HANDLER_CLIENT_BLOCK_READER_H_
