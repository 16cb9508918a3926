// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/transactions/delete_reg_key_operation.h"

#include <utility>

#include "base/logging.h"
#include "base/strings/utf_string_conversions.h"
#include "base/win/registry.h"
#include "desktop/windows/installer/common/utils.h"
#include "desktop/windows/installer/common/win/security_utils.h"
#include "desktop/windows/installer/transactions/operation_utils.h"
#include "desktop/windows/installer/transactions/registry_operation_utils.h"

namespace velta {

using internal::AppendError;

namespace {

// What is saved of each key's security descriptor: everything but the owner,
// which a recreated key gets from its creator.
constexpr SECURITY_INFORMATION kSavedSecurity =
    GROUP_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION | LABEL_SECURITY_INFORMATION;

// Reading everything, and deleting the key.
constexpr REGSAM kDeleteAccess = KEY_READ | DELETE;

// The longest key name the registry allows, plus its terminating NUL.
constexpr DWORD kMaxKeyNameLength = 256;

}  // namespace

DeleteRegKeyOperation::SavedKey::SavedKey() = default;
DeleteRegKeyOperation::SavedKey::SavedKey(SavedKey&&) = default;
DeleteRegKeyOperation::SavedKey& DeleteRegKeyOperation::SavedKey::operator=(SavedKey&&) = default;
DeleteRegKeyOperation::SavedKey::~SavedKey() = default;

DeleteRegKeyOperation::DeleteRegKeyOperation(SecurityUtils* security_utils,
                                             HKEY root,
                                             const std::wstring& key,
                                             RegistryView view)
    : security_utils_(security_utils),
      root_(root),
      key_path_(key),
      view_(internal::ViewAccessFlag(view)) {}

// Committed: the keys are gone, and with them the access lists that were
// widened; the saved records are simply dropped.
DeleteRegKeyOperation::~DeleteRegKeyOperation() = default;

bool DeleteRegKeyOperation::Do(Transaction* /*nested*/, std::string* error) {
  VLOG(1) << "Attempting to delete registry key " << key_path_ << " under "
          << internal::RootKeyName(root_);
  base::win::RegKey key;
  const LONG result = key.Open(root_, key_path_.c_str(), KEY_READ | view_);
  if (result == ERROR_FILE_NOT_FOUND) {
    VLOG(1) << "Key does not exist. Nothing to do.";
    return true;
  }
  if (result != ERROR_SUCCESS && result != ERROR_ACCESS_DENIED) {
    const std::string message = "Failed to open key " + base::WideToUTF8(key_path_) + ": " +
                                logging::SystemErrorCodeToString(result);
    LOG(ERROR) << message;
    AppendError(error, message);
    return false;
  }
  key.Close();
  return DeleteAndSaveRecursive(key_path_, error);
}

bool DeleteRegKeyOperation::DeleteAndSaveRecursive(const std::wstring& path,
                                                   std::string* error) {
  VLOG(1) << "DeleteAndSaveRecursive : " << path;
  const std::string path_name = base::WideToUTF8(path);
  std::wstring object_name;
  FormatRegistryPath(root_, path, &object_name);
  const SE_OBJECT_TYPE object_type = internal::SecurityObjectType(view_);

  SavedKey saved;
  saved.path = path;
  base::win::RegKey key;
  LONG result = key.Open(root_, path.c_str(), kDeleteAccess | view_);
  if (result == ERROR_ACCESS_DENIED ||
      (result == ERROR_SUCCESS &&
       !security_utils_->HasAccess(object_name, object_type, kDeleteAccess))) {
    VLOG(1) << "Insufficient permissions on the key";
    bool granted = security_utils_->TakeOwnershipAndGrantFullAccess(
        object_name, object_type, KEY_ALL_ACCESS, false, &saved.restore_info);
    if (granted)
      granted = key.Open(root_, path.c_str(), kDeleteAccess | view_) == ERROR_SUCCESS;
    if (!granted) {
      if (saved.restore_info)
        security_utils_->RestoreSecurity(&saved.restore_info);
      const std::string message = "Unable to obtain sufficient permissions on key " + path_name;
      LOG(ERROR) << message;
      AppendError(error, message);
      return false;
    }
  } else if (result != ERROR_SUCCESS) {
    const std::string message =
        "Failed to open key " + path_name + ": " + logging::SystemErrorCodeToString(result);
    LOG(ERROR) << message;
    AppendError(error, message);
    return false;
  }

  if (!ReadKey(key.Handle(), &saved, error)) {
    // Nothing is saved yet: the key stays as it was, with its access list.
    if (saved.restore_info) {
      key.Close();
      security_utils_->RestoreSecurity(&saved.restore_info);
    }
    return false;
  }
  saved_keys_.push_back(std::move(saved));

  // Each pass deletes the sub-key at index 0, so the next one moves up.
  for (;;) {
    wchar_t subkey_name[kMaxKeyNameLength];
    DWORD subkey_length = kMaxKeyNameLength;
    result = ::RegEnumKeyExW(key.Handle(), 0, subkey_name, &subkey_length, nullptr, nullptr,
                             nullptr, nullptr);
    if (result == ERROR_NO_MORE_ITEMS)
      break;
    if (result != ERROR_SUCCESS) {
      const std::string message = "Failed to read a subkey of " + path_name;
      LOG(ERROR) << message;
      AppendError(error, message);
      return false;
    }
    if (!DeleteAndSaveRecursive(path + L"\\" + std::wstring(subkey_name, subkey_length), error))
      return false;
  }

  key.Close();
  result = ::RegDeleteKeyExW(root_, path.c_str(), view_, 0);
  if (result != ERROR_SUCCESS) {
    const std::string message =
        "Failed to delete key " + path_name + ": " + logging::SystemErrorCodeToString(result);
    LOG(ERROR) << message;
    AppendError(error, message);
    return false;
  }
  return true;
}

// static
bool DeleteRegKeyOperation::ReadKey(HKEY key, SavedKey* saved, std::string* error) {
  const std::string path_name = base::WideToUTF8(saved->path);
  DWORD descriptor_size = 0;
  LONG result = ::RegGetKeySecurity(key, kSavedSecurity, nullptr, &descriptor_size);
  if ((result != ERROR_INSUFFICIENT_BUFFER && result != ERROR_SUCCESS) || descriptor_size == 0) {
    const std::string message = "Failed to obtain security descriptor for " + path_name;
    LOG(ERROR) << message;
    AppendError(error, message);
    return false;
  }
  saved->security_descriptor.resize(descriptor_size);
  result = ::RegGetKeySecurity(key, kSavedSecurity, saved->security_descriptor.data(),
                               &descriptor_size);
  if (result != ERROR_SUCCESS) {
    const std::string message =
        "Failed to obtain security descriptor for " + path_name + "(but we succeeded earlier)";
    LOG(ERROR) << message;
    AppendError(error, message);
    return false;
  }

  DWORD value_count = 0;
  DWORD max_name_length = 0;
  DWORD max_data_size = 0;
  result = ::RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                              &value_count, &max_name_length, &max_data_size, nullptr, nullptr);
  if (result != ERROR_SUCCESS) {
    const std::string message = "Failed to obtain key info for " + path_name;
    LOG(ERROR) << message;
    AppendError(error, message);
    return false;
  }
  VLOG(1) << value_count << " values";

  saved->values.reserve(value_count);
  for (DWORD index = 0; index < value_count; ++index) {
    SavedValue value;
    value.name.resize(max_name_length + 1);
    value.data.resize(max_data_size);
    DWORD name_length = max_name_length + 1;
    DWORD data_size = max_data_size;
    result = ::RegEnumValueW(key, index, value.name.data(), &name_length, nullptr, &value.type,
                             value.data.empty() ? nullptr : value.data.data(), &data_size);
    if (result != ERROR_SUCCESS) {
      const std::string message = "Failed to obtain value nr " + std::to_string(index);
      LOG(ERROR) << message;
      AppendError(error, message);
      return false;
    }
    value.name.resize(name_length);
    value.data.resize(data_size);
    saved->values.push_back(std::move(value));
  }
  return true;
}

void DeleteRegKeyOperation::Rollback() {
  for (SavedKey& saved : saved_keys_) {
    SECURITY_ATTRIBUTES attributes = {sizeof(attributes), saved.security_descriptor.data(),
                                      FALSE};
    HKEY key = nullptr;
    DWORD disposition = 0;
    LONG result = ::RegCreateKeyExW(root_, saved.path.c_str(), 0, nullptr,
                                    REG_OPTION_NON_VOLATILE, KEY_SET_VALUE | view_, &attributes,
                                    &key, &disposition);
    if (result != ERROR_SUCCESS && result != ERROR_FILE_NOT_FOUND) {
      // A descriptor the system refuses now (a label above ours) must not
      // cost the key and its values: recreate it with the inherited one.
      LOG(ERROR) << "Cannot recreate the key " << saved.path << " with its saved descriptor: "
                 << logging::SystemErrorCodeToString(result);
      result = ::RegCreateKeyExW(root_, saved.path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                 KEY_SET_VALUE | view_, nullptr, &key, &disposition);
    }
    if (result != ERROR_SUCCESS) {
      LOG(ERROR) << "Cannot recreate the key " << saved.path << ": "
                 << logging::SystemErrorCodeToString(result);
      continue;
    }
    base::win::RegKey owned_key(key);
    // A key that is still there (Do stopped before deleting it) kept its
    // values.
    if (disposition == REG_CREATED_NEW_KEY) {
      for (const SavedValue& value : saved.values) {
        const LONG set_result = ::RegSetValueExW(
            key, value.name.c_str(), 0, value.type, value.data.empty() ? nullptr : value.data.data(),
            static_cast<DWORD>(value.data.size()));
        if (set_result != ERROR_SUCCESS) {
          LOG(ERROR) << "Cannot restore the value " << value.name << " of " << saved.path << ": "
                     << logging::SystemErrorCodeToString(set_result);
        }
      }
    }
    owned_key.Close();
    if (saved.restore_info && !security_utils_->RestoreSecurity(&saved.restore_info))
      LOG(ERROR) << "Cannot restore the access list of " << saved.path;
  }
  saved_keys_.clear();
}

}  // namespace velta
