// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/transactions/change_reg_value_operation.h"

#include <utility>

#include "base/logging.h"
#include "base/strings/utf_string_conversions.h"
#include "desktop/windows/installer/common/utils.h"
#include "desktop/windows/installer/common/win/security_utils.h"
#include "desktop/windows/installer/transactions/operation_factory.h"
#include "desktop/windows/installer/transactions/operation_utils.h"
#include "desktop/windows/installer/transactions/registry_operation_utils.h"
#include "desktop/windows/installer/transactions/transaction.h"

namespace velta {

using internal::AppendError;

namespace {

constexpr REGSAM kValueAccess = KEY_QUERY_VALUE | KEY_SET_VALUE;

}  // namespace

ChangeRegValueOperation::ChangeRegValueOperation(OperationFactory* factory,
                                                 SecurityUtils* security_utils,
                                                 HKEY root,
                                                 const std::wstring& key,
                                                 const std::wstring& value_name,
                                                 std::optional<RegistryValue> value,
                                                 RegistryView view)
    : factory_(factory),
      security_utils_(security_utils),
      root_(root),
      key_path_(key),
      value_name_(value_name),
      new_value_(std::move(value)),
      view_(view) {}

ChangeRegValueOperation::~ChangeRegValueOperation() {
  if (restore_info_ && !security_utils_->RestoreSecurity(&restore_info_))
    LOG(ERROR) << "Cannot restore the access list of " << key_path_;
}

LONG ChangeRegValueOperation::OpenKey() {
  return key_.Open(root_, key_path_.c_str(), kValueAccess | internal::ViewAccessFlag(view_));
}

bool ChangeRegValueOperation::Do(Transaction* nested, std::string* error) {
  const bool remove = !new_value_;
  // A removal's type is all bits set.
  const DWORD new_type = remove ? static_cast<DWORD>(-1) : new_value_->type;
  VLOG(1) << "Attempting to change registry value at " << internal::RootKeyName(root_) << ": "
          << key_path_ << " - " << value_name_ << ". New Type:" << new_type;
  const std::string key_name = base::WideToUTF8(key_path_);
  const std::string value_name = base::WideToUTF8(value_name_);

  LONG result = OpenKey();
  if (result == ERROR_FILE_NOT_FOUND) {
    if (remove) {
      VLOG(1) << "Key does not exist, but we are trying to remove the value, nothing to do.";
      return true;
    }
    VLOG(1) << "Key does not exist, try to create it.";
    std::unique_ptr<Operation> create_key = factory_->CreateCreateRegKey(root_, key_path_, view_);
    if (!nested->Execute(create_key, error))
      return false;
    result = OpenKey();
  }

  std::wstring object_name;
  FormatRegistryPath(root_, key_path_, &object_name);
  const SE_OBJECT_TYPE object_type =
      internal::SecurityObjectType(internal::ViewAccessFlag(view_));
  if (result == ERROR_ACCESS_DENIED ||
      (result == ERROR_SUCCESS &&
       !security_utils_->HasAccess(object_name, object_type, kValueAccess))) {
    VLOG(1) << "We don't have enough permissions on the key.";
    bool granted = restore_info_ || security_utils_->TakeOwnershipAndGrantFullAccess(
                                        object_name, object_type, kValueAccess, false,
                                        &restore_info_);
    if (granted)
      granted = OpenKey() == ERROR_SUCCESS;
    if (!granted) {
      const std::string message = "Failed to obtain sufficient permissions on " + key_name;
      LOG(ERROR) << message;
      AppendError(error, message);
      return false;
    }
  } else if (result != ERROR_SUCCESS) {
    const std::string message =
        "Failed to open " + key_name + ": " + logging::SystemErrorCodeToString(result);
    LOG(ERROR) << message;
    AppendError(error, message);
    return false;
  }

  DWORD old_size = 0;
  result = key_.ReadValue(value_name_.c_str(), nullptr, &old_size, &old_type_);
  if (result == ERROR_FILE_NOT_FOUND) {
    VLOG(1) << "The value doesn't already exist.";
    had_value_ = false;
  } else if (result != ERROR_SUCCESS) {
    const std::string message = "Failed to read " + value_name + " from " + key_name + ": " +
                                logging::SystemErrorCodeToString(result);
    LOG(ERROR) << message;
    AppendError(error, message);
    return false;
  } else {
    old_data_.resize(old_size);
    result = key_.ReadValue(value_name_.c_str(), old_data_.empty() ? nullptr : old_data_.data(),
                            &old_size, &old_type_);
    if (result != ERROR_SUCCESS) {
      const std::string message =
          "Failed to read " + value_name + " from " + key_name + " (but we succeeded before).";
      LOG(ERROR) << message;
      AppendError(error, message);
      return false;
    }
    old_data_.resize(old_size);
    had_value_ = true;
    VLOG(1) << "Value read successfully.";
  }

  if (remove) {
    if (!had_value_) {
      VLOG(1) << "We are supposed to remove the value. Nothing to do.";
      return true;
    }
    result = key_.DeleteValue(value_name_.c_str());
    if (result != ERROR_SUCCESS) {
      const std::string message = "Failed to remove " + value_name + " from " + key_name +
                                  ": " + logging::SystemErrorCodeToString(result);
      LOG(ERROR) << message;
      AppendError(error, message);
      return false;
    }
  } else {
    const std::vector<uint8_t>& data = new_value_->data;
    result = key_.WriteValue(value_name_.c_str(), data.empty() ? nullptr : data.data(),
                             static_cast<DWORD>(data.size()), new_value_->type);
    if (result != ERROR_SUCCESS) {
      const std::string message = "Failed writing " + value_name + " to " + key_name + ": " +
                                  logging::SystemErrorCodeToString(result);
      LOG(ERROR) << message;
      AppendError(error, message);
      return false;
    }
  }
  VLOG(1) << "Value changed successfully.";
  done_ = true;
  return true;
}

void ChangeRegValueOperation::Rollback() {
  if (!done_)
    return;
  done_ = false;
  const LONG result =
      had_value_ ? key_.WriteValue(value_name_.c_str(),
                                   old_data_.empty() ? nullptr : old_data_.data(),
                                   static_cast<DWORD>(old_data_.size()), old_type_)
                 : key_.DeleteValue(value_name_.c_str());
  if (result != ERROR_SUCCESS) {
    LOG(ERROR) << "Cannot put back the value " << value_name_ << " of " << key_path_ << ": "
               << logging::SystemErrorCodeToString(result);
  }
}

}  // namespace velta
