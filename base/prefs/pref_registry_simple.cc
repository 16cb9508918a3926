// Copyright 2026 Velta Software. All rights reserved.

#include "base/prefs/pref_registry_simple.h"

#include <utility>

#include "base/logging.h"

namespace base {

PrefRegistrySimple::PrefRegistrySimple() = default;

PrefRegistrySimple::~PrefRegistrySimple() = default;

void PrefRegistrySimple::RegisterBooleanPref(const std::string& path, bool default_value) {
  RegisterPreference(path, Value(default_value));
}

void PrefRegistrySimple::RegisterIntegerPref(const std::string& path, int default_value) {
  RegisterPreference(path, Value(default_value));
}

void PrefRegistrySimple::RegisterStringPref(const std::string& path,
                                            const std::string& default_value) {
  RegisterPreference(path, Value(std::string_view(default_value)));
}

void PrefRegistrySimple::RegisterListPref(const std::string& path) {
  RegisterPreference(path, Value(Value::Type::LIST));
}

void PrefRegistrySimple::RegisterDictionaryPref(const std::string& path) {
  RegisterPreference(path, Value(Value::Type::DICTIONARY));
}

const Value* PrefRegistrySimple::GetDefaultValue(const std::string& path) const {
  auto found = defaults_.find(path);
  return found == defaults_.end() ? nullptr : &found->second;
}

void PrefRegistrySimple::RegisterPreference(const std::string& path, Value default_value) {
  const bool inserted = defaults_.emplace(path, std::move(default_value)).second;
  DCHECK(inserted) << "Preference registered twice: " << path;
}

}  // namespace base
