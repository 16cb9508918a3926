// Copyright 2026 Velta Software. All rights reserved.

#include "base/prefs/pref_service.h"

#include <memory>
#include <utility>

#include "base/logging.h"
#include "base/values.h"

namespace base {

PrefService::PrefService(scoped_refptr<PersistentPrefStore> user_prefs,
                         scoped_refptr<PrefRegistrySimple> pref_registry)
    : user_prefs_(std::move(user_prefs)), pref_registry_(std::move(pref_registry)) {
  DCHECK(user_prefs_);
  DCHECK(pref_registry_);
  if (!user_prefs_->IsInitializationComplete())
    user_prefs_->ReadPrefs();
}

PrefService::~PrefService() {
  DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_checker_);
}

const Value* PrefService::Get(const std::string& path) const {
  DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_checker_);
  const Value* default_value = pref_registry_->GetDefaultValue(path);
  DCHECK(default_value) << "Reading an unregistered preference: " << path;
  const Value* user_value = GetUserPrefValue(path);
  return user_value ? user_value : default_value;
}

bool PrefService::GetBoolean(const std::string& path) const {
  const Value* value = Get(path);
  return value && value->is_bool() && value->GetBool();
}

int PrefService::GetInteger(const std::string& path) const {
  const Value* value = Get(path);
  return value && value->is_int() ? value->GetInt() : 0;
}

std::string PrefService::GetString(const std::string& path) const {
  const Value* value = Get(path);
  return value && value->is_string() ? value->GetString() : std::string();
}

bool PrefService::HasPrefPath(const std::string& path) const {
  DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_checker_);
  return GetUserPrefValue(path) != nullptr;
}

void PrefService::Set(const std::string& path, const Value& value) {
  DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_checker_);
  const Value* default_value = pref_registry_->GetDefaultValue(path);
  if (!default_value || default_value->type() != value.type()) {
    NOTREACHED() << "Setting preference " << path << " to a value of type "
                 << Value::GetTypeName(value.type());
    return;
  }
  user_prefs_->SetValue(path, std::make_unique<Value>(value.Clone()),
                        PersistentPrefStore::DEFAULT_PREF_WRITE_FLAGS);
}

void PrefService::SetBoolean(const std::string& path, bool value) {
  Set(path, Value(value));
}

void PrefService::SetInteger(const std::string& path, int value) {
  Set(path, Value(value));
}

void PrefService::SetString(const std::string& path, const std::string& value) {
  Set(path, Value(std::string_view(value)));
}

void PrefService::ClearPref(const std::string& path) {
  DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_checker_);
  DCHECK(pref_registry_->GetDefaultValue(path)) << "Clearing an unregistered preference: " << path;
  user_prefs_->RemoveValue(path, PersistentPrefStore::DEFAULT_PREF_WRITE_FLAGS);
}

void PrefService::CommitPendingWrite(OnceClosure reply_callback,
                                     OnceClosure synchronous_done_callback) {
  DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_checker_);
  user_prefs_->CommitPendingWrite(std::move(reply_callback), std::move(synchronous_done_callback));
}

const Value* PrefService::GetUserPrefValue(const std::string& path) const {
  const Value* default_value = pref_registry_->GetDefaultValue(path);
  const Value* value = nullptr;
  if (!default_value || !user_prefs_->GetValue(path, &value))
    return nullptr;
  if (value->type() != default_value->type()) {
    LOG(WARNING) << "Preference " << path << " holds a " << Value::GetTypeName(value->type())
                 << " instead of a " << Value::GetTypeName(default_value->type())
                 << "; using its default";
    return nullptr;
  }
  return value;
}

}  // namespace base
