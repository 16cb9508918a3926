// Copyright 2026 Velta Software. All rights reserved.

#ifndef CRASH_REPORTER_CRASH_KEY_TABLE_H_
#define CRASH_REPORTER_CRASH_KEY_TABLE_H_

#include <stddef.h>

#include <list>
#include <map>
#include <string>
#include <string_view>

#include "base/synchronization/lock.h"
#include "crash_reporter/crash_keys.h"

namespace velta {

// One record of the key table as the crash reporter reads it out of a
// client's memory: a name and a value of 64 UTF-16 units each, both ending in
// a 0 unit within their 64 units. The layout is shared between processes.
struct CrashKeyEntry {
  static constexpr size_t kUnits = 64;
  char16_t name[kUnits];
  char16_t value[kUnits];
};
static_assert(sizeof(CrashKeyEntry) == 256, "the reporter reads 256-byte records");

// The name of an entry that holds no key: the reporter leaves it out.
inline constexpr char16_t kUnspecifiedCrashKeyName[] = u"unspecified-crash-key";

// The own reporter's crash key store: 256 entries, taken in array order by
// distinct names. The entry array stays at one address for the object's life;
// the client registers that address with its reporter, which reads the array
// without the table's lock when it writes a dump.
class CrashKeyTable : public CrashKeyImplementation {
 public:
  static constexpr size_t kEntryCount = 256;
  // The longest piece of a name or value in one entry, in bytes of UTF-8.
  static constexpr size_t kMaxEntryBytes = CrashKeyEntry::kUnits - 1;
  // The longest value a key keeps, however large its declared size.
  static constexpr size_t kMaxValueBytes = 1023;

  CrashKeyTable();
  CrashKeyTable(const CrashKeyTable&) = delete;
  CrashKeyTable& operator=(const CrashKeyTable&) = delete;
  ~CrashKeyTable() override;

  // CrashKeyImplementation. A key whose value may exceed 63 bytes is kept in
  // chunk entries "<name>-1" ... "<name>-K", written under one hold of the
  // lock. Values and names are cut between UTF-8 characters.
  CrashKey* Allocate(const char* name, size_t value_size) override;
  void Set(CrashKey* key, std::string_view value) override;
  void Clear(CrashKey* key) override;

  const CrashKeyEntry* entries() const { return entries_; }
  size_t used_count() const;

 private:
  void SetEntryLocked(std::string_view name, std::string_view value);
  void SetKeyLocked(const CrashKey& key, std::string_view value, bool clear);

  mutable base::Lock lock_;
  CrashKeyEntry entries_[kEntryCount];
  std::map<std::u16string, size_t> index_;
  // The key objects handed out; a list keeps their addresses stable.
  std::list<CrashKey> keys_;
};

}  // namespace velta

#endif  // CRASH_REPORTER_CRASH_KEY_TABLE_H_
