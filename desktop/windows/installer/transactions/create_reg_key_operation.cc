// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/transactions/create_reg_key_operation.h"

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

std::wstring WithoutTrailingBackslashes(std::wstring path) {
  while (!path.empty() && path.back() == L'\\')
    path.pop_back();
  return path;
}

}  // namespace

CreateRegKeyOperation::CreateRegKeyOperation(SecurityUtils* security_utils,
                                             HKEY root,
                                             const std::wstring& key,
                                             RegistryView view)
    : security_utils_(security_utils),
      root_(root),
      key_path_(WithoutTrailingBackslashes(key)),
      view_(internal::ViewAccessFlag(view)) {}

CreateRegKeyOperation::~CreateRegKeyOperation() {
  if (restore_info_ && !security_utils_->RestoreSecurity(&restore_info_))
    LOG(ERROR) << "Cannot restore the access list of a parent of " << key_path_;
}

bool CreateRegKeyOperation::Do(Transaction* /*nested*/, std::string* error) {
  VLOG(1) << "Attempting to create registry key " << key_path_ << " under "
          << internal::RootKeyName(root_);
  base::win::RegKey key;
  LONG result = key.Open(root_, key_path_.c_str(), KEY_QUERY_VALUE | view_);
  if (result != ERROR_FILE_NOT_FOUND) {
    VLOG(1) << "The key already exists. No need to do anything.";
    return true;
  }

  VLOG(1) << "Attempting to find the nearest existing ancestor.";
  std::wstring ancestor = key_path_;
  for (;;) {
    const size_t separator = ancestor.rfind(L'\\');
    if (separator == std::wstring::npos) {
      const std::string message = "No existing ancestor found.";
      LOG(ERROR) << message;
      AppendError(error, message);
      return false;
    }
    ancestor.resize(separator);
    result = key.Open(root_, ancestor.c_str(), KEY_QUERY_VALUE | view_);
    if (result == ERROR_SUCCESS || result == ERROR_ACCESS_DENIED)
      break;
    if (result != ERROR_FILE_NOT_FOUND) {
      const std::string message =
          "Existing ancestor could not be opened. " + logging::SystemErrorCodeToString(result);
      LOG(ERROR) << message;
      AppendError(error, message);
      return false;
    }
  }
  VLOG(1) << "Ancestor found: " << ancestor;

  std::wstring object_name;
  FormatRegistryPath(root_, ancestor, &object_name);
  const SE_OBJECT_TYPE object_type = internal::SecurityObjectType(view_);
  if (result == ERROR_ACCESS_DENIED ||
      !security_utils_->HasAccess(object_name, object_type, KEY_QUERY_VALUE | KEY_SET_VALUE)) {
    VLOG(1) << "No access to" << ancestor;
    if (!security_utils_->TakeOwnershipAndGrantFullAccess(object_name, object_type,
                                                         KEY_CREATE_SUB_KEY, false,
                                                         &restore_info_)) {
      const std::string message = "Failed obtaining permissions on " + base::WideToUTF8(ancestor);
      LOG(ERROR) << message;
      AppendError(error, message);
      return false;
    }
  }

  // Noted before creating: the missing keys are made one level at a time, so
  // a failure can come after some exist (a name that is too long fails with
  // ERROR_INVALID_PARAMETER once its parents are made). Rollback deletes
  // whatever of it is there.
  const size_t first_end = key_path_.find(L'\\', ancestor.size() + 1);
  first_created_ = key_path_.substr(0, first_end);
  base::win::RegKey created;
  result = created.Create(root_, key_path_.c_str(), KEY_QUERY_VALUE | view_);
  if (result != ERROR_SUCCESS) {
    const std::string message = "Failed creating key. " + logging::SystemErrorCodeToString(result);
    LOG(ERROR) << message;
    AppendError(error, message);
    return false;
  }
  return true;
}

void CreateRegKeyOperation::Rollback() {
  if (first_created_.empty())
    return;
  // Deleted one level at a time from the deepest, each only while it is
  // empty, in this operation's own view (a view-blind delete would leave a key
  // created in the 32-bit view behind, or hit the other view's). The
  // transaction's later operations have been undone by now, so what is still
  // in a created key was put there by another writer (another process, or a
  // record written outside the transaction): it is kept, and so is every key
  // above it.
  std::wstring path = key_path_;
  while (path.size() >= first_created_.size()) {
    const size_t separator = path.rfind(L'\\');
    base::win::RegKey parent;
    LONG result = parent.Open(root_, path.substr(0, separator).c_str(), KEY_READ | view_);
    if (result == ERROR_SUCCESS)
      result = parent.DeleteEmptyKey(path.substr(separator + 1).c_str());
    if (result == ERROR_DIR_NOT_EMPTY) {
      LOG(WARNING) << "Keeping the created key " << path
                   << ": it holds values or keys that this installation did not write";
      break;
    }
    // A level that is not there (never made: its name was refused) is
    // passed over; any other failure is logged and the walk goes on, since a
    // key left behind keeps its parents from being empty.
    if (result != ERROR_SUCCESS && result != ERROR_FILE_NOT_FOUND &&
        result != ERROR_INVALID_PARAMETER) {
      LOG(ERROR) << "Cannot delete the created key " << path << ": "
                 << logging::SystemErrorCodeToString(result);
    }
    path.resize(separator);
  }
  first_created_.clear();
}

}  // namespace velta
