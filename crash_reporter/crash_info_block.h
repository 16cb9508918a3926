// Copyright 2026 Velta Software. All rights reserved.

#ifndef CRASH_REPORTER_CRASH_INFO_BLOCK_H_
#define CRASH_REPORTER_CRASH_INFO_BLOCK_H_

#include <stddef.h>
#include <stdint.h>

#include <string>
#include <string_view>
#include <vector>

namespace velta {

// A fixed dictionary of 64 text entries in the client's memory, read by a
// crash handler: each entry a 256-byte key and a 256-byte value, both
// 0-terminated; an entry is free when its key's first byte is 0. Keys and
// values are cut to 255 bytes; a new key is ignored when all entries are used.
class SimpleStringDictionary {
 public:
  static constexpr size_t kEntryCount = 64;
  static constexpr size_t kTextBytes = 256;
  struct Entry {
    char key[kTextBytes];
    char value[kTextBytes];
  };

  SimpleStringDictionary();

  void SetKeyValue(std::string_view key, std::string_view value);
  void RemoveKey(std::string_view key);
  // The value of `key`, or null.
  const char* GetValueForKey(std::string_view key) const;
  size_t GetCount() const;
  const Entry* entries() const { return entries_; }

 private:
  Entry* Find(std::string_view key);
  Entry entries_[kEntryCount];
};
static_assert(sizeof(SimpleStringDictionary) == 32768, "handlers read 32768 bytes");

// A tri-state option of the crash-info block.
enum class TriState : uint8_t { kUnset = 0, kEnabled = 1, kDisabled = 2 };

// The crash-info block that a crash handler finds in the "CPADinfo" section
// of each module and reads from the client's memory. Little-endian; 64 bytes
// in a 64-bit process, 48 in a 32-bit one (the four addresses follow the
// pointer size of the build).
struct CrashpadInfo {
  static constexpr uint32_t kSignature = 0x43506164;
  static constexpr uint32_t kVersion = 1;

  uint32_t signature;
  uint32_t size;
  uint32_t version;
  uint32_t indirectly_referenced_memory_cap;
  uint32_t restart_argument_count;
  uint32_t reserved;
  TriState crashpad_handler_behavior;
  TriState system_crash_reporter_forwarding;
  TriState gather_indirectly_referenced_memory;
  TriState restart;
  uint32_t reserved2;
  void* extra_memory_ranges;
  SimpleStringDictionary* simple_annotations;
  void* user_data_minidump_stream_head;
  void* annotations_list;
};
static_assert(sizeof(CrashpadInfo) == (sizeof(void*) == 8 ? 64 : 48),
              "the block's layout is read by handlers of the same bitness");

// This module's block, in its own section.
CrashpadInfo* GetCrashpadInfo();

// Gives the block a zeroed dictionary (once per process) and, when the
// client wants larger dumps, enables gathering of indirectly referenced
// memory with a cap of 4 MiB.
void InitializeCrashpadInfo(bool wants_larger_dumps);

// "restart_cmd_line_key_" followed by `index` in decimal.
std::string RestartKey(size_t index);

// The most restart arguments a client can store: the dictionary's size.
inline constexpr size_t kMaxRestartArguments = SimpleStringDictionary::kEntryCount;

// Stores `arguments` (UTF-8, the program first) as this module's restart
// command line and switches restart on; null clears the entries and switches
// it off. A list that does not fit beside the dictionary's other entries, or
// with an argument of 256 bytes or more, is refused with an ERROR log line,
// leaving no restart entries and restart off. Called during start-up, before
// any crash can be handled.
void SetRestartCommandLine(const std::vector<std::string>* arguments);

// When `key` is a restart key, puts `value` at its index in `arguments`
// (growing the list with empty arguments) and returns true. The index must
// be a strict unsigned decimal below kMaxRestartArguments: a larger one can
// only come from a corrupt client and would make the list huge, so such a
// key is left alone like a malformed one.
bool ParseRestartAnnotation(std::vector<std::string>* arguments, std::string_view key,
                            std::string_view value);

// The UTF-16 command line of `arguments` (the first is the program), quoted
// as the base library quotes; empty for an empty list.
std::wstring BuildRestartCommandLine(const std::vector<std::string>& arguments);

// Stores `name` under "crash_counter_name" in the block's dictionary; an
// empty name removes the entry. Does nothing without a dictionary.
void SetCrashCounterName(const std::string& name);

}  // namespace velta

#endif  // CRASH_REPORTER_CRASH_INFO_BLOCK_H_
