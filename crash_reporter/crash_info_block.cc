// Copyright 2026 Velta Software. All rights reserved.

#include "crash_reporter/crash_info_block.h"

#include <string.h>

#include <algorithm>

#include "base/command_line.h"
#include "base/logging.h"
#include "base/no_destructor.h"
#include "base/strings/string_number_conversions.h"
#include "base/strings/utf_string_conversions.h"
#include "crash_reporter/crash_counter.h"

namespace velta {
namespace {

constexpr char kRestartKeyPrefix[] = "restart_cmd_line_key_";
constexpr size_t kRestartKeyPrefixLength = sizeof(kRestartKeyPrefix) - 1;
constexpr uint32_t kLargerDumpsMemoryCap = 0x400000;

// The block as the image holds it: signature, size and version set, the rest
// zero. `used` keeps it in the image although nothing refers to it by name.
__attribute__((section("CPADinfo"), used)) CrashpadInfo g_crashpad_info = {
    .signature = CrashpadInfo::kSignature,
    .size = sizeof(CrashpadInfo),
    .version = CrashpadInfo::kVersion,
    .indirectly_referenced_memory_cap = 0,
    .restart_argument_count = 0,
    .reserved = 0,
    .crashpad_handler_behavior = TriState::kUnset,
    .system_crash_reporter_forwarding = TriState::kUnset,
    .gather_indirectly_referenced_memory = TriState::kUnset,
    .restart = TriState::kUnset,
    .reserved2 = 0,
    .extra_memory_ranges = nullptr,
    .simple_annotations = nullptr,
    .user_data_minidump_stream_head = nullptr,
    .annotations_list = nullptr,
};

void CopyText(std::string_view text, char* field) {
  const size_t count = std::min(text.size(), SimpleStringDictionary::kTextBytes - 1);
  memcpy(field, text.data(), count);
  memset(field + count, 0, SimpleStringDictionary::kTextBytes - count);
}

}  // namespace

SimpleStringDictionary::SimpleStringDictionary() {
  memset(entries_, 0, sizeof(entries_));
}

SimpleStringDictionary::Entry* SimpleStringDictionary::Find(std::string_view key) {
  const std::string_view cut = key.substr(0, std::min(key.size(), kTextBytes - 1));
  for (Entry& entry : entries_) {
    if (entry.key[0] != '\0' && cut == entry.key)
      return &entry;
  }
  return nullptr;
}

void SimpleStringDictionary::SetKeyValue(std::string_view key, std::string_view value) {
  if (key.empty())
    return;
  Entry* entry = Find(key);
  if (!entry) {
    for (Entry& candidate : entries_) {
      if (candidate.key[0] == '\0') {
        entry = &candidate;
        break;
      }
    }
    if (!entry)
      return;
    // The value first, so a reader never sees a new key with an old value.
    CopyText(value, entry->value);
    CopyText(key, entry->key);
    return;
  }
  CopyText(value, entry->value);
}

void SimpleStringDictionary::RemoveKey(std::string_view key) {
  Entry* entry = Find(key);
  if (!entry)
    return;
  memset(entry->key, 0, kTextBytes);
  memset(entry->value, 0, kTextBytes);
}

const char* SimpleStringDictionary::GetValueForKey(std::string_view key) const {
  Entry* entry = const_cast<SimpleStringDictionary*>(this)->Find(key);
  return entry ? entry->value : nullptr;
}

size_t SimpleStringDictionary::GetCount() const {
  return static_cast<size_t>(std::count_if(std::begin(entries_), std::end(entries_),
                                           [](const Entry& entry) { return entry.key[0] != 0; }));
}

CrashpadInfo* GetCrashpadInfo() {
  return &g_crashpad_info;
}

void InitializeCrashpadInfo(bool wants_larger_dumps) {
  static base::NoDestructor<SimpleStringDictionary> dictionary;
  CrashpadInfo* info = GetCrashpadInfo();
  info->simple_annotations = dictionary.get();
  if (wants_larger_dumps) {
    info->gather_indirectly_referenced_memory = TriState::kEnabled;
    info->indirectly_referenced_memory_cap = kLargerDumpsMemoryCap;
  }
}

std::string RestartKey(size_t index) {
  return kRestartKeyPrefix + std::to_string(index);
}

void SetRestartCommandLine(const std::vector<std::string>* arguments) {
  CrashpadInfo* info = GetCrashpadInfo();
  SimpleStringDictionary* dictionary = info ? info->simple_annotations : nullptr;
  if (!dictionary)
    return;
  for (uint32_t index = 0; index < info->restart_argument_count; ++index)
    dictionary->RemoveKey(RestartKey(index));
  info->restart_argument_count = 0;
  info->restart = TriState::kDisabled;
  if (!arguments)
    return;

  if (dictionary->GetCount() + arguments->size() > SimpleStringDictionary::kEntryCount) {
    LOG(ERROR) << "Annotations dictionary too long when setting command line";
    return;
  }
  for (const std::string& argument : *arguments) {
    if (argument.size() >= SimpleStringDictionary::kTextBytes) {
      LOG(ERROR) << "Command line argument too long: " << argument;
      return;
    }
  }
  for (size_t index = 0; index < arguments->size(); ++index)
    dictionary->SetKeyValue(RestartKey(index), (*arguments)[index]);
  info->restart_argument_count = static_cast<uint32_t>(arguments->size());
  info->restart = TriState::kEnabled;
}

bool ParseRestartAnnotation(std::vector<std::string>* arguments, std::string_view key,
                            std::string_view value) {
  if (key.size() <= kRestartKeyPrefixLength ||
      key.substr(0, kRestartKeyPrefixLength) != kRestartKeyPrefix) {
    return false;
  }
  std::string_view digits = key.substr(kRestartKeyPrefixLength);
  digits = digits.substr(0, digits.find('\0'));
  unsigned index = 0;
  if (digits.empty() || !std::all_of(digits.begin(), digits.end(), [](char c) {
        return c >= '0' && c <= '9';
      }) || !base::StringToUint(digits, &index)) {
    return false;
  }
  if (index >= kMaxRestartArguments)
    return false;
  if (arguments->size() < index + 1)
    arguments->resize(index + 1);
  (*arguments)[index] = std::string(value);
  return true;
}

std::wstring BuildRestartCommandLine(const std::vector<std::string>& arguments) {
  if (arguments.empty())
    return std::wstring();
  base::CommandLine::StringVector argv;
  for (const std::string& argument : arguments)
    argv.push_back(base::UTF8ToWide(argument));
  return base::CommandLine(argv).GetCommandLineString();
}

void SetCrashCounterName(const std::string& name) {
  SimpleStringDictionary* dictionary = GetCrashpadInfo()->simple_annotations;
  if (!dictionary)
    return;
  if (name.empty())
    dictionary->RemoveKey(GetCrashCounterNameKey());
  else
    dictionary->SetKeyValue(GetCrashCounterNameKey(), name);
}

}  // namespace velta
