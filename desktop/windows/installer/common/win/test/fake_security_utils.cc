// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/common/win/test/fake_security_utils.h"

#include <string_view>
#include <utility>

#include "base/files/file_path.h"

namespace velta {

FakeSecurityUtils::FakeSecurityUtils() = default;
FakeSecurityUtils::~FakeSecurityUtils() = default;

bool FakeSecurityUtils::IsUserInAdminGroup(bool consider_linked_token) {
  return is_user_in_admin_group_ && (consider_linked_token || is_elevated_);
}

bool FakeSecurityUtils::HasAccess(const std::wstring& path,
                                  SE_OBJECT_TYPE type,
                                  DWORD /*desired_access*/) {
  access_queries_.push_back(path);
  if (type != SE_FILE_OBJECT && type != SE_REGISTRY_KEY && type != SE_REGISTRY_WOW64_32KEY)
    return false;
  if (denied_once_.erase(path) != 0)
    return false;
  return denied_.count(path) == 0;
}

bool FakeSecurityUtils::NeedsElevation(bool /*all_users*/, bool /*folder_writable*/) {
  return needs_elevation_;
}

bool FakeSecurityUtils::EnablePrivilege(const std::wstring& name, bool enable) {
  privileges_.emplace_back(name, enable);
  return enable_privilege_result_;
}

bool FakeSecurityUtils::TakeOwnershipAndGrantFullAccess(
    const std::wstring& path,
    SE_OBJECT_TYPE type,
    DWORD access,
    bool permanent,
    std::unique_ptr<SecurityRestoreInfo>* restore) {
  restore->reset();
  if (failing_grants_.count(path))
    return false;
  grants_.push_back({path, type, access, permanent});
  if (!permanent)
    *restore = std::make_unique<SecurityRestoreInfo>(path, type, nullptr, nullptr);
  return true;
}

bool FakeSecurityUtils::IsOwnedByUserOrAdministrators(HANDLE object) {
  wchar_t buffer[MAX_PATH * 4] = {};
  const DWORD length = ::GetFinalPathNameByHandleW(object, buffer, std::size(buffer), 0);
  if (length == 0 || length >= std::size(buffer))
    return false;
  std::wstring_view path(buffer, length);
  constexpr std::wstring_view kLongPrefix = L"\\\\?\\";
  if (path.starts_with(kLongPrefix))
    path.remove_prefix(kLongPrefix.size());
  for (const std::wstring& foreign : foreign_owned_) {
    if (base::FilePath::CompareEqualIgnoreCase(foreign, path))
      return false;
  }
  return true;
}

bool FakeSecurityUtils::RestoreSecurity(std::unique_ptr<SecurityRestoreInfo>* restore) {
  if (!*restore)
    return false;
  std::unique_ptr<SecurityRestoreInfo> info = std::move(*restore);
  restores_.push_back({info->path(), info->object_type()});
  return failing_restores_.count(info->path()) == 0;
}

}  // namespace velta
