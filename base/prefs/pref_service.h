// Copyright 2026 Velta Software. All rights reserved.

#ifndef BASE_PREFS_PREF_SERVICE_H_
#define BASE_PREFS_PREF_SERVICE_H_

#include <string>

#include "base/callback.h"
#include "base/memory/scoped_refptr.h"
#include "base/prefs/persistent_pref_store.h"
#include "base/prefs/pref_registry_simple.h"
#include "base/sequence_checker.h"

namespace base {

class Value;

// Typed access to the registered preferences of one store: a value set in
// the store wins when it has the registered type; otherwise, or when there is
// none, the registered default applies. Asking for a name that is not
// registered is a programming error (DCHECK; null or an empty value).
//
// Threading: made and used on the store's sequence.
class PrefService {
 public:
  // Reads `user_prefs` now unless it has been read with its folder found.
  PrefService(scoped_refptr<PersistentPrefStore> user_prefs,
              scoped_refptr<PrefRegistrySimple> pref_registry);
  PrefService(const PrefService&) = delete;
  PrefService& operator=(const PrefService&) = delete;
  ~PrefService();

  // The store's value or the default; null only for unregistered names.
  const Value* Get(const std::string& path) const;
  bool GetBoolean(const std::string& path) const;
  int GetInteger(const std::string& path) const;
  std::string GetString(const std::string& path) const;

  // Whether the store holds a value of the registered type.
  bool HasPrefPath(const std::string& path) const;

  // A value of another type than the registered one is refused (DCHECK).
  void Set(const std::string& path, const Value& value);
  void SetBoolean(const std::string& path, bool value);
  void SetInteger(const std::string& path, int value);
  void SetString(const std::string& path, const std::string& value);
  // Removes the store's value, so the default applies again.
  void ClearPref(const std::string& path);

  // See PersistentPrefStore::CommitPendingWrite.
  void CommitPendingWrite(OnceClosure reply_callback = OnceClosure(),
                          OnceClosure synchronous_done_callback = OnceClosure());

 private:
  // The store's value when it has the registered type, else null.
  const Value* GetUserPrefValue(const std::string& path) const;

  const scoped_refptr<PersistentPrefStore> user_prefs_;
  const scoped_refptr<PrefRegistrySimple> pref_registry_;
  SEQUENCE_CHECKER(sequence_checker_);
};

}  // namespace base

#endif  // BASE_PREFS_PREF_SERVICE_H_
