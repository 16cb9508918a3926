// Copyright 2026 Velta Software. All rights reserved.

#include "crash_reporter/crash_key_table.h"

#include <string.h>

#include <algorithm>

#include "base/strings/utf_string_conversions.h"

namespace velta {
namespace {

// Copies `text` into a 64-unit field, cut to 63 units, 0-terminated.
void CopyUnits(const std::u16string& text, char16_t* field) {
  const size_t count = std::min(text.size(), CrashKeyEntry::kUnits - 1);
  std::copy_n(text.data(), count, field);
  std::fill(field + count, field + CrashKeyEntry::kUnits, u'\0');
}

std::u16string CutToEntry(std::string_view utf8) {
  return base::UTF8ToUTF16(
      utf8.substr(0, Utf8PrefixLength(utf8, CrashKeyTable::kMaxEntryBytes)));
}

}  // namespace

CrashKeyTable::CrashKeyTable() {
  for (CrashKeyEntry& entry : entries_) {
    CopyUnits(kUnspecifiedCrashKeyName, entry.name);
    CopyUnits(std::u16string(), entry.value);
  }
}

CrashKeyTable::~CrashKeyTable() = default;

CrashKey* CrashKeyTable::Allocate(const char* name, size_t value_size) {
  base::AutoLock hold(lock_);
  keys_.push_back(CrashKey{name, value_size});
  return &keys_.back();
}

void CrashKeyTable::Set(CrashKey* key, std::string_view value) {
  if (!key || !key->name)
    return;
  base::AutoLock hold(lock_);
  SetKeyLocked(*key, value, false);
}

void CrashKeyTable::Clear(CrashKey* key) {
  if (!key || !key->name)
    return;
  base::AutoLock hold(lock_);
  SetKeyLocked(*key, std::string_view(), true);
}

size_t CrashKeyTable::used_count() const {
  base::AutoLock hold(lock_);
  return index_.size();
}

void CrashKeyTable::SetKeyLocked(const CrashKey& key, std::string_view value, bool clear) {
  const size_t declared = key.value_size == 0 ? 0 : key.value_size - 1;
  const size_t limit = std::min(declared, kMaxValueBytes);
  const std::string_view name(key.name);
  if (limit <= kMaxEntryBytes) {
    if (clear) {
      const auto found = index_.find(CutToEntry(name));
      if (found != index_.end())
        CopyUnits(std::u16string(), entries_[found->second].value);
      return;
    }
    SetEntryLocked(name, value);
    return;
  }

  const size_t chunk_count = (limit + kMaxEntryBytes - 1) / kMaxEntryBytes;
  const std::string suffix_of_last = "-" + std::to_string(chunk_count);
  const std::string_view base_name =
      name.substr(0, Utf8PrefixLength(name, kMaxEntryBytes - suffix_of_last.size()));
  std::string_view rest = value.substr(0, Utf8PrefixLength(value, limit));
  for (size_t chunk = 1; chunk <= chunk_count; ++chunk) {
    const std::string chunk_name = std::string(base_name) + "-" + std::to_string(chunk);
    if (clear) {
      const auto found = index_.find(CutToEntry(chunk_name));
      if (found != index_.end())
        CopyUnits(std::u16string(), entries_[found->second].value);
      continue;
    }
    // Pieces end between characters, so a chunk may hold fewer than 63
    // bytes; the reporter joins the chunks' texts as they are.
    const size_t piece = Utf8PrefixLength(rest, kMaxEntryBytes);
    SetEntryLocked(chunk_name, rest.substr(0, piece));
    rest.remove_prefix(piece);
  }
}

void CrashKeyTable::SetEntryLocked(std::string_view name, std::string_view value) {
  const std::u16string wide_name = CutToEntry(name);
  auto found = index_.find(wide_name);
  if (found == index_.end()) {
    if (index_.size() >= kEntryCount)
      return;
    const size_t slot = index_.size();
    CopyUnits(wide_name, entries_[slot].name);
    CopyUnits(std::u16string(), entries_[slot].value);
    found = index_.emplace(wide_name, slot).first;
  }
  CopyUnits(CutToEntry(value), entries_[found->second].value);
}

}  // namespace velta
