// Copyright 2026 Velta Software. All rights reserved.

#ifndef BASE_PREFS_PERSISTENT_PREF_STORE_H_
#define BASE_PREFS_PERSISTENT_PREF_STORE_H_

#include <stdint.h>

#include <memory>
#include <string>

#include "base/callback.h"
#include "base/memory/ref_counted.h"

namespace base {

class Value;

// A dictionary of preference values kept in a file: read once, changed in
// memory, written back. Keys are paths: "intl.app_locale" is the member
// "app_locale" of the dictionary "intl".
//
// Threading: used on one sequence; the file is written on another.
class PersistentPrefStore : public RefCounted<PersistentPrefStore> {
 public:
  // Why reading the file gave no values, or gave some but left the store
  // unable to write them back. Numbered as they are recorded.
  enum PrefReadError {
    PREF_READ_ERROR_NONE = 0,
    // Not JSON (a torn or damaged file).
    PREF_READ_ERROR_JSON_PARSE = 1,
    // JSON, but not a dictionary.
    PREF_READ_ERROR_JSON_TYPE = 2,
    PREF_READ_ERROR_ACCESS_DENIED = 3,
    PREF_READ_ERROR_FILE_OTHER = 4,
    PREF_READ_ERROR_FILE_LOCKED = 5,
    PREF_READ_ERROR_NO_FILE = 6,
    // Not JSON, and an earlier damaged copy was already set aside.
    PREF_READ_ERROR_JSON_REPEAT = 7,
  };

  // Flags of SetValue and RemoveValue; no other flag exists here.
  enum PrefWriteFlags : uint32_t {
    DEFAULT_PREF_WRITE_FLAGS = 0,
  };

  // Whether ReadPrefs has run and found the file's folder.
  virtual bool IsInitializationComplete() const = 0;

  // The value at `key`, owned by the store and valid until the next change;
  // false when there is none.
  virtual bool GetValue(const std::string& key, const Value** result) const = 0;
  // Replaces the value at `key`, making the dictionaries on its path. A
  // write is scheduled only when the value changed.
  virtual void SetValue(const std::string& key, std::unique_ptr<Value> value, uint32_t flags) = 0;
  // Removes the value at `key` and dictionaries left empty on its path.
  virtual void RemoveValue(const std::string& key, uint32_t flags) = 0;

  // True when the file is there but could not be read as a dictionary
  // (errors 2 to 5): the store then never writes, so that it cannot replace
  // the file's values with its empty ones. Changes stay in memory.
  virtual bool ReadOnly() const = 0;
  virtual PrefReadError GetReadError() const = 0;
  // Reads the file now, on the calling sequence, replacing the values held.
  virtual PrefReadError ReadPrefs() = 0;

  // Starts writing the changes not yet written. `reply_callback` runs on
  // the calling sequence and `synchronous_done_callback` on the writing one,
  // both after the write (or at once there, when there is nothing to write).
  virtual void CommitPendingWrite(OnceClosure reply_callback = OnceClosure(),
                                  OnceClosure synchronous_done_callback = OnceClosure()) = 0;

 protected:
  friend class RefCounted<PersistentPrefStore>;
  PersistentPrefStore() = default;
  virtual ~PersistentPrefStore() = default;
};

}  // namespace base

#endif  // BASE_PREFS_PERSISTENT_PREF_STORE_H_
