// Copyright 2026 Velta Software. All rights reserved.

#ifndef BASE_PREFS_PREF_REGISTRY_SIMPLE_H_
#define BASE_PREFS_PREF_REGISTRY_SIMPLE_H_

#include <map>
#include <string>

#include "base/memory/ref_counted.h"
#include "base/values.h"

namespace base {

// The preferences a PrefService knows: each name with its default value,
// whose type is the only type the service accepts for it. Filled before the
// service is made and not changed afterwards.
//
// Threading: used on the sequence of the service that holds it.
class PrefRegistrySimple : public RefCounted<PrefRegistrySimple> {
 public:
  PrefRegistrySimple();
  PrefRegistrySimple(const PrefRegistrySimple&) = delete;
  PrefRegistrySimple& operator=(const PrefRegistrySimple&) = delete;

  // Each name is registered once.
  void RegisterBooleanPref(const std::string& path, bool default_value);
  void RegisterIntegerPref(const std::string& path, int default_value);
  void RegisterStringPref(const std::string& path, const std::string& default_value);
  void RegisterListPref(const std::string& path);
  void RegisterDictionaryPref(const std::string& path);

  // Null when `path` is not registered.
  const Value* GetDefaultValue(const std::string& path) const;

 private:
  friend class RefCounted<PrefRegistrySimple>;
  ~PrefRegistrySimple();

  void RegisterPreference(const std::string& path, Value default_value);

  // By full name: "intl.app_locale" is one entry.
  std::map<std::string, Value, std::less<>> defaults_;
};

}  // namespace base

#endif  // BASE_PREFS_PREF_REGISTRY_SIMPLE_H_
